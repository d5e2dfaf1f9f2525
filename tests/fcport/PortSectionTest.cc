#include "fcport/FcPortTiming.h"
#include "fcport/PortSection.h"
#include "tests/shared/DeviceFixture.h"

namespace {

class PortSectionTest : public DeviceTest {
  protected:
    // A port compound `name`[index] with its FC-2 controller, in `device`.
    cModule* port(cModule* device, const char* name, int index)
    {
        cModule* p = compound(name, device, index, 8);
        compound("Fc2Ctrl", compound("Fc2", p));
        return p;
    }
    cModule* device(const char* name, const std::string& confFile, cModule* parent = nullptr)
    {
        cModule* d = compound(name, parent ? parent : root);
        d->addPar("confFile").setStringValue(confFile.c_str());
        return d;
    }
    static cModule* ctrl(cModule* port) { return port->moduleByRelativePath("Fc2.Fc2Ctrl"); }
    static std::string read(cModule* port)
    {
        return errorOf([&] { read_port_section(ctrl(port), port); });
    }
    // The error for a port whose section holds only `rows`.
    std::string errorFor(const char* kind, const std::string& rows)
    {
        writeFile("t.conf", "[2]\nheader\n" + rows + "\n");
        cModule* dev = device("Dev", "t.conf");
        if (std::string(kind) == "Chip")
            return read(port(compound("Chip", dev, 1, 2), "NxPort", 0));
        return read(port(dev, kind, 0));
    }
};

TEST_F(PortSectionTest, HostPortTakesItsFirstRowAndBecomesParameters)
{
    cModule* host = device("Host", "host.conf");
    cModule* p0 = port(host, "NxPort", 0);
    cModule* p1 = port(host, "NxPort", 1);
    ASSERT_EQ(read(p0), "");
    ASSERT_EQ(read(p1), "");
    // The first of the two rows for NxPort[0] wins; its comment is ignored.
    const std::pair<const char*, long> longs[] = {
        {"maxPortSpeed", 2}, {"rxBufSize", 8},     {"txBufSize", 0},    {"reqC3ConCurrSeq", 4}, {"maxSeqTry", 3},
        {"maxEePair", 2},    {"currRaTov", 10000}, {"currEdTov", 2000}, {"currBbCredit", 1},    {"currBbCnt", 0}};
    for (const auto& [name, value] : longs)
        EXPECT_EQ(p0->par(name).longValue(), value) << name;
    EXPECT_DOUBLE_EQ(p0->par("currPortSpeed").doubleValue(), 2.125e9);
    EXPECT_DOUBLE_EQ(p0->par("rtTov").doubleValue(), 100);
    EXPECT_TRUE(p0->par("fcpIni").boolValue());
    EXPECT_STREQ(p0->par("fcCtrl").stringValue(), "FcCtrlA");
    // Port names are handed out in initialisation order.
    EXPECT_EQ(p0->par("portName").longValue(), 100000);
    EXPECT_EQ(p1->par("portName").longValue(), 100001);
    EXPECT_EQ(root->par("iniEqName").longValue(), 100002);
    // The row of NxPort[1] that begins with a blank is ignored: the next one wins.
    EXPECT_DOUBLE_EQ(p1->par("currPortSpeed").doubleValue(), 1.0625e9);
    EXPECT_DOUBLE_EQ(p1->par("rtTov").doubleValue(), 0.1);
    EXPECT_EQ(p1->par("maxSeqTry").longValue(), 2);
    EXPECT_FALSE(p0->hasPar("areaId"));
    EXPECT_STREQ(p0->par("gbStr").stringValue(), "FcCtrlA_For_FC_Ports");
    FcPortTiming* block = fc_port_timing(ctrl(p1), p1);
    EXPECT_DOUBLE_EQ(block->cpuClock, 400);
    EXPECT_DOUBLE_EQ(block->fcSeqSeg->instrNumMean, 1000);
}

TEST_F(PortSectionTest, ArrayBoardPortIsKeyedByBoardAndPortAndMayBeATarget)
{
    cModule* array = device("Array", "array.conf");
    cModule* p = port(compound("Chip", array, 1, 2), "NxPort", 0);
    ASSERT_EQ(read(p), "");
    EXPECT_FALSE(p->par("fcpIni").boolValue());
    EXPECT_DOUBLE_EQ(p->par("rtTov").doubleValue(), 100);
    EXPECT_EQ(p->par("rxBufSize").longValue(), 16);
    EXPECT_EQ(p->par("reqC3ConCurrSeq").longValue(), 255);
    EXPECT_STREQ(p->par("gbStr").stringValue(), "FcCtrlB_For_FC_Ports");
}

TEST_F(PortSectionTest, SwitchSectionRunsToTheEndOfTheFile)
{
    cModule* sw = device("Switch", "switch.conf");
    cModule* p = port(sw, "SwPort", 3);
    ASSERT_EQ(read(p), "");
    EXPECT_EQ(p->par("areaId").longValue(), 255);
    EXPECT_FALSE(p->par("bPortFlag").boolValue());
    EXPECT_DOUBLE_EQ(p->par("rtTov").doubleValue(), 100);
    EXPECT_EQ(p->par("rxBufSize").longValue(), 32);
    EXPECT_EQ(p->par("reqConCurrSeq").longValue(), 16);
    EXPECT_TRUE(p->hasPar("reqRaTov"));
    EXPECT_FALSE(p->par("reqEdTov").hasValue());
    EXPECT_EQ(p->par("maxEePair").longValue(), 0);
    EXPECT_FALSE(p->hasPar("fcpIni"));
}

TEST_F(PortSectionTest, HostSectionEndsAtTwoPointOneAndNamesTheMissingPort)
{
    cModule* p = port(device("Host", "host.conf"), "NxPort", 2);
    EXPECT_EQ(read(p), "---> Missing settings for Velmora.Host.NxPort[2]. Please check section [2] of the file "
                       "\"host.conf\"");
}

TEST_F(PortSectionTest, EveryFieldCheckStopsTheRunWithItsMessage)
{
    const std::string file = " Please check section [2] of the file \"t.conf\"";
    struct Case {
        const char* kind;
        const char* rows;
        std::string message;
    };
    const Case cases[] = {
        {"NxPort", "0 2 100 I 8 0 4 3 2 FcCtrlA extra", "---> NxPort[0] : at most 10 parameters can be setup."},
        {"NxPort", "0 2 100 I 8 0 4 3 2", "---> NxPort[0] : missing parameter(s)."},
        {"NxPort", "0 4 100 I 8 0 4 3 2 FcCtrlA",
         "---> NxPort[0] : invalid portSpeed setting. Currently we only support 1G and 2G. Please choose 1 for 1G or "
         "2 for 2G."},
        {"NxPort", "0 2 10 I 8 0 4 3 2 FcCtrlA",
         "---> NxPort[0] : invalid R_T_TOV. Must be either 100ms or 100us. Please choose 100 for 100ms or 0.1 for "
         "100us."},
        {"NxPort", "0 2 100 X 8 0 4 3 2 FcCtrlA",
         "---> NxPort[0] : invalid FCP Feature. Please choose I for Initiator or T for Target."},
        {"NxPort", "0 2 100 t 8 0 4 3 2 FcCtrlA", "---> NxPort[0] : Host NxPort must not be Target."},
        {"NxPort", "0 2 100 I 0 0 4 3 2 FcCtrlA", "---> NxPort[0] : receiver buffer size should > 0."},
        {"NxPort", "0 2 100 I 8 -1 4 3 2 FcCtrlA", "---> NxPort[0] : trasmitter buffer size should >= 0."},
        {"NxPort", "0 2 100 I 8 0 256 3 2 FcCtrlA",
         "---> NxPort[0] : Class-3 ConCurrent Sequence must be within [1,255]."},
        {"NxPort", "0 2 100 I 8 0 0 3 2 FcCtrlA",
         "---> NxPort[0] : Class-3 ConCurrent Sequence must be within [1,255]."},
        {"NxPort", "0 2 100 I 8 0 4 0 2 FcCtrlA", "---> NxPort[0] : MaxSeqTry should > 0."},
        {"NxPort", "0 2 100 I 8 0 4 3 0 FcCtrlA", "---> NxPort[0] : MaxPeerPort should > 0."},
        // Fields are counted before the key is compared; missing fields of another port's row do not matter.
        {"NxPort", "5 2 100 I 8 0 4 3 2 FcCtrlA x\n0 2 100 I 8 0 4 3 2 FcCtrlA",
         "---> NxPort[5] : at most 10 parameters can be setup."},
        {"NxPort", "5 2\n0 2 100 I 8 0 4 3 2 FcCtrlA", ""},
        // In a host file a later marker is a row whose first field reads as 0.
        {"NxPort", "[3]\n0 2 100 I 8 0 4 3 2 FcCtrlA", "---> NxPort[0] : missing parameter(s)."},
        {"Chip", "1 0 2 100 I 8 0 4 3 2 FcCtrlA x", "---> Chip[1].NxPort[0] : at most 11 parameters can be setup."},
        {"Chip", "1 0 2 100 I 8 0 4 3 0 FcCtrlA", "---> Chip[1].NxPort[0] : MaxPeerPort should > 0."},
        {"SwPort", "0 0 2 100 n 8 0 0 FcCtrlA x", "---> SwPort[0] : at most 9 parameters can be setup."},
        {"SwPort", "0 256 2 100 n 8 0 0 FcCtrlA", "---> SwPort[0] : invalid Area_ID. Must within [0,255]."},
        {"SwPort", "0 -1 2 100 n 8 0 0 FcCtrlA", "---> SwPort[0] : invalid Area_ID. Must within [0,255]."},
        {"SwPort", "0 0 2 100 Y 8 0 0 FcCtrlA",
         "---> SwPort[0] : currently we do not support B_Port. Please set B_Port as n or N."},
        {"SwPort", "0 0 2 100 n 0 0 0 FcCtrlA", "---> SwPort[0] : receiver buffer size should > 0."},
        {"NxPort", "0 2 100 I 8 0 4 3 2 NoSuchCpu",
         "---> Couldn't open file \"NoSuchCpu.ini\": No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        std::string expected = c.message;
        if (!expected.empty() && expected.back() == '.')
            expected += file;
        EXPECT_EQ(errorFor(c.kind, c.rows), expected);
    }
}

// A file saved with a byte-order mark reads as one without; a row hidden by
// its indent, and a second row of a port, are still passed over as the format
// has it, but told once with their lines.
TEST_F(PortSectionTest, RowsPassedOverAreToldWithTheirLines)
{
    writeFile("t.conf", "\xEF\xBB\xBF[2]\nheader\n0 2 100ms I 8 0 4 3 2 FcCtrlA\n 1 2 100 I 8 0 4 3 2 FcCtrlA\n"
                        "1 1 100 I 8 0 4 3 2 FcCtrlA\n0 1 100 I 8 0 4 3 2 FcCtrlA\n[2.1]\n");
    cModule* dev = device("Dev", "t.conf");
    cModule* p0 = port(dev, "NxPort", 0);
    cModule* p1 = port(dev, "NxPort", 1);
    ASSERT_EQ(read(p0), "");
    ASSERT_EQ(read(p1), "");
    EXPECT_EQ(p0->par("maxPortSpeed").longValue(), 2);
    EXPECT_DOUBLE_EQ(p0->par("rtTov").doubleValue(), 100);
    EXPECT_EQ(p1->par("maxPortSpeed").longValue(), 1);
    const std::string in = ". Please check section [2] of the file \"t.conf\"";
    const auto log = readLines("logs/Warnings.log");
    ASSERT_EQ(log.size(), 4u) << readFile("logs/Warnings.log");
    EXPECT_EQ(log[2].substr(log[2].find("WARNING: ")),
              "WARNING: ---> Line 4 begins with a blank or a TAB, so it is ignored" + in);
    EXPECT_EQ(log[3].substr(log[3].find("WARNING: ")),
              "WARNING: ---> Line 6, field 1 \"0\" repeats the port of line 3; this row is ignored" + in);
}

TEST_F(PortSectionTest, OnlyExactRtTovValuesPassButTheirSpellingsMayDiffer)
{
    for (const char* value : {"100", "100.0", "1e2", "0.1", "1e-1"})
        EXPECT_EQ(errorFor("NxPort", std::string("0 2 ") + value + " I 8 0 4 3 2 FcCtrlA"), "") << value;
    EXPECT_NE(errorFor("NxPort", "0 2 0.10001 I 8 0 4 3 2 FcCtrlA"), "");
}

} // namespace
