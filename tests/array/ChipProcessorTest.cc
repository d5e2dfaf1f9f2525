#include <filesystem>
#include <map>

#include "messages/MsgSubclass_m.h"
#include "tests/shared/ArrayFixture.h"

namespace {

class ChipProcessorTest : public ArrayTest {
  protected:
    // Board Chip[index] of Dev1 (of `chipNum`) with its processor `ChipCpu`,
    // a stand-in bus `Cpc` and, per node port, a stand-in NxPort[i] with its
    // `fcpIni` and the `asicUtilDelta` of its FC-2 controller.
    cModule* buildBoard(int index, int chipNum, int nxPortNum, std::vector<bool> initiatorPorts = {})
    {
        cModule* board = compound("Chip", device, index, chipNum);
        board->addPar("nxPortNum").setLongValue(nxPortNum);
        cModule* cpu = findModuleType("ChipProcessor")->create("ChipCpu", board);
        cpu->setGateSize("from_driver", nxPortNum);
        cpu->setGateSize("to_driver", nxPortNum);
        new cCompoundModule("Cpc", board);
        for (int i = 0; i < nxPortNum; ++i) {
            cModule* port = compound("NxPort", board, i, nxPortNum);
            port->addPar("fcpIni").setBoolValue(i < static_cast<int>(initiatorPorts.size()) && initiatorPorts[i]);
            auto* ctrl = new cCompoundModule("Fc2Ctrl", new cCompoundModule("Fc2", port));
            ctrl->addPar("asicUtilDelta").setDoubleValue(0.0);
        }
        return board;
    }
    // Ends on every gate pair of the board's processor: "Mc", "Bs", "Scsi"
    // and "Fc4[i]", each sending what it is given.
    void wireEnds(cModule* board, std::map<std::string, std::vector<Outgoing>> out = {})
    {
        cModule* cpu = board->submodule("ChipCpu");
        wire(cpu, "to_mc", "from_mc", -1, end("Mc", board, out["Mc"]));
        wire(cpu, "to_bs", "from_bs", -1, end("Bs", board, out["Bs"]));
        wire(cpu, "to_scsi", "from_scsi", -1, end("Scsi", board, out["Scsi"]));
        const int ports = cpu->gateSize("to_driver");
        for (int i = 0; i < ports; ++i)
            wire(cpu, "to_driver", "from_driver", i,
                 end("Fc4", board, out["Fc4[" + std::to_string(i) + "]"], i, ports));
    }
    std::string initError()
    {
        return errorOf([] { simulation.callInitialize(); });
    }
};

using Outgoing = ArrayTest::Outgoing;

template <class T>
Outgoing primitive(double t, const char* name, int kind, int fc4Index)
{
    return {t, [=] {
                auto* m = new T(name, kind);
                m->setFc4Index(fc4Index);
                return static_cast<cMessage*>(m);
            }};
}

Outgoing plain(double t, const char* name, int kind, std::function<void(cMessage*)> extra = {})
{
    return {t, [=] {
                auto* m = new cMessage(name, kind);
                if (extra)
                    extra(m);
                return m;
            }};
}

TEST_F(ChipProcessorTest, EachBoardTakesTheFirstRowWithItsIndexAndTheModelRowsAreWrittenOnce)
{
    cModule* chip0 = buildBoard(0, 2, 1);
    cModule* chip1 = buildBoard(1, 2, 1);
    simulation.callInitialize();

    // The row for ChipIdx 1 comes first in the file, and a second row for
    // ChipIdx 0 is never read.
    EXPECT_EQ(chip0->submodule("Cpc")->par("busWidth").doubleValue(), 64);
    EXPECT_EQ(chip0->submodule("Cpc")->par("busClock").doubleValue(), 133);
    EXPECT_EQ(chip0->par("maxTarLun").longValue(), 32);
    EXPECT_EQ(chip0->par("maxRdWrIo").longValue(), 256);
    EXPECT_EQ(chip0->par("maxCtrlIo").longValue(), 16);
    EXPECT_STREQ(chip0->par("cpuModel").stringValue(), "ChipCpu");
    EXPECT_EQ(chip1->submodule("Cpc")->par("busWidth").doubleValue(), 32);
    EXPECT_EQ(chip1->submodule("Cpc")->par("busClock").doubleValue(), 66);
    EXPECT_EQ(chip1->par("maxTarLun").longValue(), 16);
    EXPECT_EQ(chip1->par("maxCtrlIo").longValue(), 8);
    for (cModule* chip : {chip0, chip1}) {
        cModule* cpu = chip->submodule("ChipCpu");
        EXPECT_EQ(cpu->par("cpuClock").doubleValue(), 400);
        EXPECT_EQ(cpu->par("memClock").doubleValue(), 200);
        EXPECT_TRUE(cpu->hasPar("COM_SCSI_IO"));
    }
    // Boards register nothing: the array does that once.
    EXPECT_EQ(root->par("equipId").longValue(), 0);
    EXPECT_FALSE(chip0->hasPar("pfName"));
    EXPECT_EQ(readFile("Timing.txt"), timingHeader() + timingRow("FC4_IU_SEND", "4.000", "ChipCpu", "Node") +
                                          timingRow("FC4_IU_RECV", "4.000") + timingRow("FCP_IU_SEND", "8.000") +
                                          timingRow("FCP_IU_RECV", "8.000") + timingRow("CRE_IT_PATH", "40.000") +
                                          timingRow("RMV_IT_PATH", "20.000") + timingRow("INI_SCSI_IO", "2.000") +
                                          timingRow("INI_SCSI_SIO", "3.000") + timingRow("COM_SCSI_IO", "2.000") +
                                          timingRule());
}

TEST_F(ChipProcessorTest, ABoardWithoutARowStopsTheRunNamingItsPath)
{
    buildBoard(2, 3, 1);
    EXPECT_EQ(initError(), "---> Missing settings for Velmora.Dev1.Chip[2]. Please check section [1] of the file "
                           "\"array.conf\"");
}

TEST_F(ChipProcessorTest, ARowWithTooManyFieldsStopsTheRunEvenWhenItIsAnotherBoards)
{
    writeFile("array.conf", "[1]\nChipIdx CpcBusWidth CpcBusClock CpuModel MaxTarLun MaxRdWrIo MaxCtrlIo\n"
                            "1 32 66 ChipCpu 16 128 8 9\n0 64 133 ChipCpu 32 256 16\n");
    buildBoard(0, 2, 1);
    EXPECT_EQ(initError(), "---> Chip[1] General Configuration : at most 7 parameters can be setup. Please check "
                           "section [1] of the file \"array.conf\"");
}

TEST_F(ChipProcessorTest, AShortRowOrAnOutOfRangeSettingStopsTheRun)
{
    const std::string header = "[1]\nChipIdx CpcBusWidth CpcBusClock CpuModel MaxTarLun MaxRdWrIo MaxCtrlIo\n";
    const std::pair<const char*, const char*> cases[] = {
        {"0 64 133 ChipCpu 32 256\n", "---> Chip[0] General Configuration : missing parameter(s). Please check "
                                      "section [1] of the file \"array.conf\""},
        {"0 0.5 133 ChipCpu 32 256 16\n",
         "---> Chip[0] General Configuration : invalid CpcBusWidth. Must >= 1-bit. Normally should choose 16, 32, or "
         "64-bit. Please check section [1] of the file \"array.conf\""},
        {"0 64 133 ChipCpu 32 256 0\n", "---> Chip[0] General Configuration : invalid MaxCtrlIo. Must >= 1. Please "
                                        "check section [1] of the file \"array.conf\""},
        {"0 64 133 NoSuchCpu 32 256 16\n", "---> Couldn't open file \"NoSuchCpu.ini\": No such file or directory"},
    };
    for (const auto& [row, message] : cases) {
        writeFile("array.conf", header + row);
        newNetwork();
        buildBoard(0, 1, 1);
        EXPECT_EQ(initError(), message) << row;
    }
}

// A board uses the first row with its index; a later one, or a row for a
// board the array does not have, is never used and is warned of, naming its
// line. Every board reads the section, and each warning is given once.
TEST_F(ChipProcessorTest, RowsNoBoardUsesAreWarnedOfNamingTheirLine)
{
    const std::string header = "[1]\nChipIdx CpcBusWidth CpcBusClock CpuModel MaxTarLun MaxRdWrIo MaxCtrlIo\n";
    const std::string tail = ". Please check section [1] of the file \"array.conf\"";
    const struct {
        int boards;
        const char* rows;
        std::string warning; // "" for none
    } cases[] = {
        {2, "1 32 66 ChipCpu 16 128 8\n0 64 133 ChipCpu 32 256 16\n0 16 33 ChipCpu 1 1 1 7\n",
         "---> Line 5, field 1 \"0\" repeats the board of line 4; this row is ignored" + tail},
        {2, "0 64 133 ChipCpu 32 256 16\n1 32 66 ChipCpu 16 128 8\n2 32 66 ChipCpu 16 128 8\n",
         "---> Line 5, field 1 \"2\" names the board Chip[2], which the array does not have: it has Chip[0] to "
         "Chip[1]; this row is ignored" +
             tail},
        {1, "-1 32 66 ChipCpu 16 128 8\n0 64 133 ChipCpu 32 256 16\n",
         "---> Line 3, field 1 \"-1\" names the board Chip[-1], which the array does not have: it has only Chip[0]; "
         "this row is ignored" +
             tail},
        {2, "1 32 66 ChipCpu 16 128 8\n0 64 133 ChipCpu 32 256 16\n", ""},
    };
    for (const auto& c : cases) {
        writeFile("array.conf", header + c.rows);
        newNetwork();
        for (int b = 0; b < c.boards; ++b)
            buildBoard(b, c.boards, 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(initError(), "") << c.rows;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err,
                  c.warning.empty() ? "" : "<!> Warning in module Velmora.Dev1.Chip[0].ChipCpu: " + c.warning + "\n")
            << c.rows;
        // The board's own first row is the one used.
        EXPECT_EQ(device->submodule("Chip", 0)->par("maxTarLun").longValue(), 32) << c.rows;
    }
}

TEST_F(ChipProcessorTest, RoutesEachKindByItsPortOrItsPath)
{
    cModule* board = buildBoard(0, 1, 2, {false, true});
    auto fc4Index = [](long n) { return [n](cMessage* m) { m->addPar("fc4Index").setLongValue(n); }; };
    wireEnds(
        board,
        {{"Scsi",
          {primitive<SendScsiCmd>(1.1e-3, "SEND_SCSI_CMD", SEND_SCSI_CMD, 1),
           primitive<CmdCompConf>(2.1e-3, "CMD_COMP_CONF", CMD_COMP_CONF, 0),
           plain(3.1e-3, "REQ_ABT_SIO", REQ_ABT_SIO, [](cMessage* m) { m->addPar("initiator").setLongValue(1); })}},
         {"Mc",
          {primitive<RecvDataOut>(1.2e-3, "RECV_DATA_OUT", RECV_DATA_OUT, 1),
           primitive<SendCmdComp>(2.2e-3, "SEND_CMD_COMP", SEND_CMD_COMP, 0)}},
         {"Bs", {primitive<SendDataIn>(1.3e-3, "SEND_DATA_IN", SEND_DATA_IN, 0)}},
         {"Fc4[0]",
          {plain(1e-3, "SCSI_CMD_RECVD", SCSI_CMD_RECVD), plain(2e-3, "REQ_CMD_COMP", REQ_CMD_COMP),
           plain(3e-3, "COMP_CONF_RECVD", COMP_CONF_RECVD), plain(4e-3, "ABORT_LUNIO", ABORT_LUNIO),
           primitive<DataOutRecvd>(5e-3, "DATA_OUT_RECVD", DATA_OUT_RECVD, 0),
           plain(6e-3, "DEV_DOWN", DEV_DOWN, fc4Index(0)), plain(7e-3, "REMOVE_IT_PATH", REMOVE_IT_PATH, fc4Index(0))}},
         {"Fc4[1]",
          {plain(1e-3, "CREATE_IT_PATH", CREATE_IT_PATH), plain(2e-3, "CMD_COMP_RECVD", CMD_COMP_RECVD),
           plain(3e-3, "FREE_LUNPT_SIO", FREE_LUNPT_SIO), plain(6e-3, "DEV_DOWN", DEV_DOWN, fc4Index(1)),
           plain(7e-3, "REMOVE_IT_PATH", REMOVE_IT_PATH, fc4Index(1))}}});
    endRunAt(0.02);
    runAll();

    auto names = [this](const char* where) {
        std::vector<std::string> out;
        for (const Arrival* a : at(where))
            if (a->kind != ACK_PROC_REQ)
                out.push_back(a->name);
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(names("Fc4[1]"), (V{"SEND_SCSI_CMD", "RECV_DATA_OUT", "REQ_ABT_SIO"}));
    EXPECT_EQ(names("Fc4[0]"), (V{"SEND_DATA_IN", "CMD_COMP_CONF", "SEND_CMD_COMP"}));
    // Port 1 is an initiator port: its path events go to the initiator,
    // those of target port 0 to the control memory.
    EXPECT_EQ(names("Scsi"), (V{"CREATE_IT_PATH", "CMD_COMP_RECVD", "FREE_LUNPT_SIO", "DEV_DOWN", "REMOVE_IT_PATH"}));
    EXPECT_EQ(names("Mc"),
              (V{"SCSI_CMD_RECVD", "REQ_CMD_COMP", "COMP_CONF_RECVD", "ABORT_LUNIO", "DEV_DOWN", "REMOVE_IT_PATH"}));
    EXPECT_EQ(names("Bs"), (V{"DATA_OUT_RECVD"}));
    EXPECT_NE(console.str().find("Velmora.Dev1.Chip[0].ChipCpu --> SEND_DATA_IN\n"), std::string::npos);
}

TEST_F(ChipProcessorTest, GrantsInRequestOrderAndWritesTheBoardsUtilisation)
{
    cModule* board = buildBoard(0, 1, 2);
    auto req = [](double t, bool fromFc4) {
        return plain(t, "REQ_CPU_PROC", REQ_CPU_PROC, [fromFc4](cMessage* m) {
            if (fromFc4)
                m->addPar("fc4Anx").setBoolValue(true);
        });
    };
    auto comp = [](double t) { return plain(t, "COMP_CPU_PROC", COMP_CPU_PROC); };
    // Port 1 asks first and holds the processor for 4 ms; the initiator asks
    // meanwhile and holds it for 2 ms after that.
    wireEnds(board, {{"Fc4[1]", {req(1e-3, true), comp(5e-3)}}, {"Scsi", {req(2e-3, false), comp(7e-3)}}});
    endRunAt(0.015);
    runAll();
    ASSERT_EQ(at("Fc4[1]").size(), 1u);
    EXPECT_DOUBLE_EQ(at("Fc4[1]")[0]->time, 1e-3);
    EXPECT_TRUE(at("Fc4[1]")[0]->msg->par("fc4Anx").boolValue());
    ASSERT_EQ(at("Scsi").size(), 1u);
    EXPECT_DOUBLE_EQ(at("Scsi")[0]->time, 5e-3);

    const std::vector<std::string> lines = readLines("out/cpu/Velmora.Dev1.Chip[0].CpuUtil");
    ASSERT_GE(lines.size(), 5u);
    for (const char* label : {"SCSI", "FC4[0]", "FC4[1]", "FC2[0]", "FC2[1]"})
        EXPECT_NE(lines[0].find(label), std::string::npos) << label;
    // Rows at 0, 10 and 20 ms; in the first period the initiator held the
    // processor 2 ms (20 %) and port 1 4 ms (40 %).
    EXPECT_EQ(lines.size(), 6u);
    EXPECT_NE(lines[4].find("20.000"), std::string::npos) << lines[4];
    EXPECT_NE(lines[4].find("40.000"), std::string::npos) << lines[4];
}

TEST_F(ChipProcessorTest, RequestsFromTheControlOrDataPathOrWithoutFc4AnxStopTheRun)
{
    cModule* board = buildBoard(0, 1, 1);
    wireEnds(board, {{"Mc", {plain(0, "REQ_CPU_PROC", REQ_CPU_PROC)}}});
    EXPECT_EQ(runError(), "---> REQ_CPU_PROC is allowed only from FC4");
}

TEST_F(ChipProcessorTest, ARequestFromAPortWithoutFc4AnxOrAnUnknownKindStopsTheRun)
{
    cModule* board = buildBoard(0, 1, 1);
    wireEnds(board, {{"Fc4[0]", {plain(0, "REQ_CPU_PROC", REQ_CPU_PROC)}}});
    EXPECT_EQ(runError(), "---> REQ_CPU_PROC from FC4 should have par fc4Anx");
}

TEST_F(ChipProcessorTest, AUtilisationFileThatCannotBeOpenedStopsTheRunNamingItsPath)
{
    cModule* board = buildBoard(0, 1, 1);
    wireEnds(board);
    // A directory stands where the file would be.
    std::filesystem::create_directories("out/cpu/Velmora.Dev1.Chip[0].CpuUtil");
    EXPECT_EQ(runError(), "---> Couldn't open file \"out/cpu/Velmora.Dev1.Chip[0].CpuUtil\": Is a directory");
}

TEST_F(ChipProcessorTest, CopyRequestsDoNotPassTheBoardProcessor)
{
    cModule* board = buildBoard(0, 1, 1);
    wireEnds(board, {{"Mc", {plain(0, "SCSI_RDWR_IO", SCSI_RDWR_IO)}}});
    EXPECT_EQ(runError(), "---> No idea know how to handle message: SCSI_RDWR_IO");
}

} // namespace
