#include <filesystem>
#include <set>

#include "device/OutputFile.h"
#include "fcport/EeStatTable.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc2Fixture.h"

namespace {

std::string pad(const std::string& text, size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string header()
{
    return pad("SimTime(ms)", 18) + pad("ExchNew", 12) + pad("ExchCom", 12) + pad("FrmRcvd", 12) +
           pad("EeLat(us)", 15) + pad("FrmLen(KB)", 15) + pad("ThruPut(MBps)", 18) + pad("NetDly(us)", 15) +
           pad("NetPath(Domain_IDs)", 27) + "\n" + std::string(144, '-') + "\n";
}

// A stream formatted as every statistics file is.
std::ostringstream formatted()
{
    std::ostringstream out;
    set_output_format(out);
    return out;
}

// A row as the statistics print it: time, three counts, the averages, path.
std::string row(const char* ms, const char* exchNew, const char* exchCom, const char* frmRcvd, const char* eeLat,
                const char* frmLen, const char* thruPut, const char* netDly, const std::string& path = "")
{
    return pad(ms, 18) + pad(exchNew, 12) + pad(exchCom, 12) + pad(frmRcvd, 12) + pad(eeLat, 15) + pad(frmLen, 15) +
           pad(thruPut, 18) + pad(netDly, 15) + path + "\n";
}

TEST(EeStatTableTest, RowsAverageOverTheReceivedFramesAndJoinTheRoute)
{
    EeStatTable t;
    t.exchNew = 2;
    t.exchCom = 1;
    t.frmRcvd = 4;
    t.frmLen = 4 * 2048;
    t.eeLatSum = 4 * 25e-6;
    t.netDlySum = 4 * 20e-6;
    t.route = {3, 7, 12};
    std::ostringstream out = formatted();
    write_eestat_row(out, t, 0.5, 0.25, true);
    EXPECT_EQ(out.str(), row("500.0000", "2", "1", "4", "25.000", "2.000", "0.031250", "20.000", "3-->7-->12"));

    std::ostringstream unknown = formatted();
    write_eestat_row(unknown, t, 0.5, 0.25, false);
    EXPECT_EQ(unknown.str(),
              row("500.0000", "2", "1", "4", "25.000", "2.000", "0.031250", "20.000", "path unavailable"));

    // A period without frames shows integer zeros for the averages.
    t.clear_sums();
    EXPECT_EQ(t.route.size(), 3u);
    std::ostringstream idle = formatted();
    write_eestat_row(idle, t, 1.0, 1.0, true);
    EXPECT_EQ(idle.str(), row("1000.0000", "0", "0", "0", "0", "0", "0.000000", "0", "3-->7-->12"));
}

TEST(EeStatTableTest, TablesAreFoundByTheirPairOfPortsAndNamedInDecimal)
{
    cLinkedList queue("EE_STAT_QUE");
    own_eestat_tables(queue);
    EeStatTable* t = eestat_table(queue, 0x010200, 0x020100);
    EXPECT_EQ(eestat_table(queue, 0x010200, 0x020100), t);
    EXPECT_NE(eestat_table(queue, 0x020100, 0x010200), t);
    EXPECT_EQ(queue.length(), 2);
    EXPECT_EQ(eestat_file_name(*t), "From_66048_To_131328.EeStat");
    std::ostringstream out = formatted();
    write_eestat_header(out);
    EXPECT_EQ(out.str(), header());
}

class EeStatTest : public Fc2Test {
  protected:
    // A with two ports, its first one cabled to B's.
    void twoHosts()
    {
        setIni("**.HostA.NxPort[0].addressId = 65792\n**.HostB.NxPort[0].addressId = 66048");
        a = host("HostA", 2);
        b = host("HostB");
        cable(a, 0, b, 0, 1e-6);
    }
    static std::set<std::string> files()
    {
        std::set<std::string> names;
        for (const auto& f : std::filesystem::directory_iterator("out/ee"))
            names.insert(f.path().filename().string());
        return names;
    }
};

TEST_F(EeStatTest, EachPairOfPortsWithTrafficGetsAFileWithARowEveryPeriod)
{
    root->par("eeStatTimeScale").setLongValue(1000);
    simulation.setSimTimeLimit(2.5);
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [](Scripted& s) {
        Envelope e;
        e.length = 2048;
        s.out(e.make());
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    run();

    // One frame of 2048 bytes built at 0 and sent after 1 us of
    // segmentation: it takes 19.614 us on the line of 1.0625 Gbaud and 1 us
    // on the cable, and its reception costs 1 us more.
    EXPECT_EQ(readFile("out/ee/From_65792_To_66048.EeStat"),
              header() + row("1000.0000", "1", "1", "1", "22.614", "2.000", "0.001953", "20.614") +
                  row("2000.0000", "0", "0", "0", "0", "0", "0.000000", "0"));
    // The originating side saw its exchange open and end, and no frame.
    EXPECT_EQ(readFile("out/ee/From_66048_To_65792.EeStat"),
              header() + row("1000.0000", "1", "1", "0", "0", "0", "0.000000", "0") +
                  row("2000.0000", "0", "0", "0", "0", "0", "0.000000", "0"));
    // The idle second port of A has no file.
    EXPECT_EQ(files(), (std::set<std::string>{"From_65792_To_66048.EeStat", "From_66048_To_65792.EeStat"}));
}

TEST_F(EeStatTest, LinkServiceTrafficIsNotRecorded)
{
    twoHosts();
    scripts[fc4(a)] = [](Scripted& s) {
        s.await(PORT_UP);
        Envelope e;
        e.type = 1; // pair 0
        s.out(e.make());
    };
    run();
    EXPECT_EQ(ofKind(got(b), FC_SEQ_PAYLOAD).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists("out/ee"));
}

TEST_F(EeStatTest, APeriodThatIsNotAboveZeroEndsTheRunAtStart)
{
    root->par("eeStatTimeScale").setLongValue(0);
    host("HostA");
    EXPECT_EQ(runError(), "---> Invalid \"eeStatTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

TEST_F(EeStatTest, RowsStopWithTheRun)
{
    twoHosts();
    scripts[fc4(a)] = loggedIn(ADDR_B, [this](Scripted& s) {
        s.out(Envelope().make());
        s.wait(1.5e-3);
        root->par("simDone").setBoolValue(true);
    });
    scripts[fc4(b)] = loggedIn(ADDR_A);
    simulation.setSimTimeLimit(MAXTIME);
    // With simDone set the writers stop re-arming and the run runs dry.
    EXPECT_EQ(run(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_DOUBLE_EQ(simulation.simTime(), 2e-3);
    const std::string text = readFile("out/ee/From_65792_To_66048.EeStat");
    EXPECT_NE(text.find("\n2.0000 "), std::string::npos);
    EXPECT_EQ(text.find("\n3.0000 "), std::string::npos);
}

} // namespace
