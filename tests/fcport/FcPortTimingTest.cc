#include "fcport/FcPortTiming.h"
#include "sim/ObjectAddress.h"
#include "tests/shared/DeviceFixture.h"

namespace {

class FcPortTimingTest : public DeviceTest {
  protected:
    cModule* port(int index)
    {
        cModule* p = compound("NxPort", root, index, 4);
        compound("Fc2Ctrl", compound("Fc2", p));
        return p;
    }
};

TEST_F(FcPortTimingTest, FirstPortOfAModelPublishesTheBlockAndWritesRowsInFileOrder)
{
    cModule* p0 = port(0);
    FcPortTiming* block = extract_cpu_timing(p0->moduleByRelativePath("Fc2.Fc2Ctrl"), p0, "FcCtrlA");
    EXPECT_STREQ(p0->par("gbStr").stringValue(), "FcCtrlA_For_FC_Ports");
    EXPECT_EQ(root->par("FcCtrlA_For_FC_Ports").longValue(), object_address(block));
    EXPECT_DOUBLE_EQ(block->cpuClock, 400);
    EXPECT_DOUBLE_EQ(block->memClock, 100);
    const TaskTiming& txu = *block->fcFrmTxu;
    EXPECT_EQ((std::vector<double>{txu.instrNumMean, txu.instrNumStddev, txu.cpuCylInsMean, txu.cpuCylInsStddev,
                                   txu.memRefInsMean, txu.memRefInsStddev}),
              (std::vector<double>{800, 80, 1.5, 0.1, 0.4, 0.05}));
    EXPECT_EQ(block->fcSeqSeg->instrNumStddev, 0);
    EXPECT_EQ(block->fc4IuSend->instrNumStddev, 500);
    EXPECT_EQ(block->fcFrmRxu->memRefInsStddev, 0.1);
    EXPECT_EQ(block->fcSeqAsm->cpuCylInsStddev, 1);
    EXPECT_EQ(block->fc4IuRecv->instrNumMean, 1200);
    EXPECT_FALSE(root->par("timingFileNew").boolValue());
    EXPECT_EQ(readFile("Timing.txt"), timingHeader() + timingRow("FC_FRM_TXU", "6.200") +
                                          timingRow("FC_SEQ_SEG", "10.000", "FcCtrlA", "FC_Ports") +
                                          timingRow("FC4_IU_RECV", "9.000") + timingRule() +
                                          timingRow("FC_FRM_RXU", "4.500") + timingRow("FC_SEQ_ASM", "11.250") +
                                          timingRow("FC4_IU_SEND", "16.250"));
}

TEST_F(FcPortTimingTest, LaterPortsOfTheModelShareTheBlockAndLaterModelsAppend)
{
    writeFile("Timing.txt", "left over from another run\n");
    cModule* p0 = port(0);
    cModule* p1 = port(1);
    cModule* p2 = port(2);
    FcPortTiming* a = extract_cpu_timing(p0, p0, "FcCtrlA");
    const std::string afterA = readFile("Timing.txt");
    std::filesystem::remove("FcCtrlA.ini");
    EXPECT_EQ(extract_cpu_timing(p1, p1, "FcCtrlA"), a);
    EXPECT_STREQ(p1->par("gbStr").stringValue(), "FcCtrlA_For_FC_Ports");
    EXPECT_EQ(fc_port_timing(p1, p1), a);
    EXPECT_EQ(readFile("Timing.txt"), afterA);
    EXPECT_EQ(afterA.find("left over"), std::string::npos);

    extract_cpu_timing(p2, p2, "FcCtrlB");
    EXPECT_EQ(readFile("Timing.txt"), afterA + timingRow("FC_SEQ_SEG", "1.000", "FcCtrlB", "FC_Ports") +
                                          timingRow("FC_FRM_TXU", "1.000") + timingRow("FC_FRM_RXU", "1.000") +
                                          timingRow("FC_SEQ_ASM", "1.000") + timingRow("FC4_IU_SEND", "1.000") +
                                          timingRow("FC4_IU_RECV", "2.000") + timingRule());
}

} // namespace
