#include "messages/MsgSubclass_m.h"
#include "tests/array/DataPathMessages.h"
#include "tests/array/StandInArrayTest.h"

namespace {

struct DeviceSize {
    long chipNum, chipNxPortNum, cswNum, busNum, acpNum;
};

class ArrayCompoundTest : public StandInArrayTest {
  protected:
    // A storage device "Arr" of `size`, built from its description as a data
    // centre places it, with every link of its boards.
    cModule* buildDevice(const DeviceSize& size)
    {
        cModule* dev = findModuleType("StorageDevice")->create("Arr", root);
        dev->par("confFile").setStringValue("array.conf");
        dev->par("chipNxPortNum").setLongValue(size.chipNxPortNum);
        dev->par("chipNum").setLongValue(size.chipNum);
        dev->par("acpNum").setLongValue(size.acpNum);
        dev->par("busNum").setLongValue(size.busNum);
        dev->par("cswNum").setLongValue(size.cswNum);
        dev->par("acpArrGrpNum").setLongValue(1);
        const int links = static_cast<int>(std::max(0L, size.chipNum * size.chipNxPortNum));
        dev->setGateSize("link_in", links);
        dev->setGateSize("link_out", links);
        dev->buildInside();
        return dev;
    }
    std::string buildError(const DeviceSize& size)
    {
        return errorOf([&] { buildDevice(size); });
    }
    // The module a gate leads to, through as many compound boundaries as it
    // takes, as "Module.gate[i]" relative to `base`.
    static std::string destination(cGate* g, cModule* base)
    {
        cGate* last = g;
        while (last->toGate())
            last = last->toGate();
        std::string path = last->fullPath();
        const std::string prefix = base->fullPath() + ".";
        return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
    }
    static std::string next(cGate* g, cModule* base)
    {
        std::string path = g->toGate() ? g->toGate()->fullPath() : "(unconnected)";
        const std::string prefix = base->fullPath() + ".";
        return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
    }
};

TEST_F(ArrayCompoundTest, LinksAndDataPathsAreNumberedBoardMajorAndBySwitch)
{
    cModule* dev = buildDevice({2, 4, 2, 3, 3});
    // Device link 5 is port 1 of board 1; links 0 to 3 are board 0's.
    EXPECT_EQ(destination(dev->gate("link_in", 5), dev), "Chip[1].NxPort[1].Fc1.Rx.link_in");
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(next(dev->gate("link_in", l), dev), "Chip[0].link_in[" + std::to_string(l) + "]");
    EXPECT_EQ(next(dev->submodule("Chip", 1)->gate("link_out", 2), dev), "link_out[6]");
    // Board i's path to cache switch j is fabric gate j * chipNum + i.
    EXPECT_EQ(next(dev->submodule("Chip", 0)->gate("to_csw", 1), dev), "CswFab.from_chip[2]");
    EXPECT_EQ(next(dev->submodule("Chip", 1)->gate("to_csw", 0), dev), "CswFab.from_chip[1]");
    EXPECT_EQ(next(dev->submodule("Acp", 2)->gate("to_csw", 1), dev), "CswFab.from_acp[5]");
    EXPECT_EQ(next(dev->submodule("Acp", 0)->gate("to_csw", 1), dev), "CswFab.from_acp[3]");
    EXPECT_EQ(destination(dev->submodule("CswFab")->gate("to_chip", 3), dev), "Chip[1].BS.from_bus[1]");
    // Six control-memory buses, the same index on both sides, bus b of
    // switch j at k = j * busNum + b.
    cModule* cm = dev->submodule("CtrlMemCch");
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(next(cm->gate("to_csw", k), dev), "CswFab.from_ctrlmem[" + std::to_string(k) + "]");
        EXPECT_EQ(next(dev->submodule("CswFab")->gate("to_ctrlmem", k), dev),
                  "CtrlMemCch.from_csw[" + std::to_string(k) + "]");
    }
    EXPECT_EQ(destination(cm->submodule("BS")->gate("to_bus", 4), dev), "CswFab.M[4].from_cpu");
    EXPECT_EQ(next(dev->moduleByRelativePath("CswFab.M[4]")->gate("to_csw"), dev), "CswFab.BS[1].from_bus[1]");
    // Control paths, one pair per board, through the control memory's meta
    // channels to its processor.
    EXPECT_EQ(destination(dev->submodule("Chip", 1)->gate("to_ctrlmem"), dev), "CtrlMemCch.ChipMc[1].from_meta");
    EXPECT_EQ(next(cm->submodule("ChipMc", 1)->gate("to_cpu"), dev), "CtrlMemCch.CtrlMemCpu.from_chip[1]");
    EXPECT_EQ(destination(dev->submodule("Acp", 2)->gate("to_ctrlmem"), dev), "CtrlMemCch.AcpMc[2].from_meta");
    EXPECT_EQ(next(cm->submodule("AcpMc", 2)->gate("to_cpu"), dev), "CtrlMemCch.CtrlMemCpu.from_acp[2]");
    EXPECT_EQ(next(cm->submodule("CtrlMemCpu")->gate("to_acp", 1), dev), "CtrlMemCch.AcpMc[1].from_cpu");
    EXPECT_EQ(destination(cm->submodule("AcpMc", 1)->gate("to_meta"), dev), "Acp[1].from_ctrlmem");
    EXPECT_EQ(cm->submodule("ChipMc", 0)->gate("to_scsi")->toGate(), nullptr);
    // Parameters copied down, and the bus selectors' bus counts.
    EXPECT_EQ(dev->submodule("Chip", 1)->par("nxPortNum").longValue(), 4);
    EXPECT_EQ(dev->submodule("Acp", 1)->par("arrGrpNum").longValue(), 1);
    EXPECT_EQ(dev->submodule("Chip", 0)->submodule("BS")->gateSize("to_bus"), 2);
    EXPECT_EQ(dev->moduleByRelativePath("CswFab.BS[1]")->gateSize("to_bus"), 3);
    EXPECT_EQ(cm->submodule("BS")->gateSize("to_bus"), 6);
    // Connection colours sit on the source gates.
    EXPECT_STREQ(dev->submodule("Chip", 0)->gate("to_csw", 1)->displayString(), "o=#0000ff,3");
    EXPECT_STREQ(cm->gate("to_csw", 0)->displayString(), "o=#808000,2");
    EXPECT_STREQ(dev->submodule("Acp", 0)->gate("to_ctrlmem")->displayString(), "o=#008040");
    EXPECT_STREQ(dev->backgroundDisplayString(), "o=#ffffff;p=10,10;b=650,550");
}

TEST_F(ArrayCompoundTest, ABoardChainsEachPortThroughTheBusToItsFc4LayerAndTheProcessor)
{
    cModule* dev = buildDevice({1, 2, 2, 1, 1});
    cModule* board = dev->submodule("Chip", 0);
    EXPECT_EQ(next(board->moduleByRelativePath("NxPort[1]")->gate("to_fc4"), board), "Cpc.from_adapter[1]");
    EXPECT_EQ(next(board->submodule("Cpc")->gate("to_driver", 1), board), "Fc4[1].from_fc2");
    EXPECT_EQ(next(board->submodule("Fc4", 1)->gate("to_ulp"), board), "ChipCpu.from_driver[1]");
    EXPECT_EQ(next(board->submodule("ChipCpu")->gate("to_driver", 0), board), "Fc4[0].from_ulp");
    EXPECT_EQ(next(board->gate("from_csw", 1), board), "BS.from_bus[1]");
    EXPECT_EQ(next(board->submodule("BS")->gate("to_bus", 1), board), "to_csw[1]");
    EXPECT_EQ(next(board->submodule("Scsi")->gate("to_iogen"), board), "MC.from_scsi");
    EXPECT_EQ(next(board->submodule("MC")->gate("to_scsi"), board), "Scsi.from_iogen");
    EXPECT_EQ(next(board->submodule("Scsi")->gate("to_llp"), board), "ChipCpu.from_scsi");
    EXPECT_EQ(next(board->gate("from_ctrlmem"), board), "MC.from_meta");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(board->submodule("NxPort", i)->par("sFact").longValue(), 1);
        EXPECT_EQ(board->submodule("NxPort", i)->par("addressId").longValue(), 0);
        EXPECT_FALSE(board->submodule("Fc4", i)->par("nsRegDone").boolValue());
    }
    EXPECT_EQ(board->submodule("BS")->par("busNum").longValue(), 0);
    EXPECT_STREQ(board->submodule("EeStat")->displayString(), "i=eestat;p=510,400;b=50,50");
}

TEST_F(ArrayCompoundTest, AllBoardsAreCompleteBeforeTheFabricAndTheControlProcessorsComeLast)
{
    cModule* dev = buildDevice({2, 1, 1, 1, 2});
    const int lastInsideBoard1 = dev->submodule("Chip", 1)->submodule("Scsi")->id();
    EXPECT_LT(dev->submodule("Chip", 0)->submodule("Scsi")->id(), dev->submodule("Chip", 1)->id());
    EXPECT_LT(lastInsideBoard1, dev->submodule("CswFab")->id());
    EXPECT_LT(dev->moduleByRelativePath("CswFab.Csw[0]")->id(), dev->submodule("CtrlMemCch")->id());
    EXPECT_LT(dev->moduleByRelativePath("CtrlMemCch.AcpMc[1]")->id(), dev->submodule("Acp", 0)->id());
}

TEST_F(ArrayCompoundTest, ZeroBoardsProcessorsOrBusesStopTheBuild)
{
    EXPECT_EQ(buildError({0, 1, 1, 1, 1}),
              "Negative or zero module vector size Chip[0] in compound module StorageDevice");
    simulation.deleteNetwork();
    newNetwork();
    // The fabric, built before the array control processors, meets the
    // empty vector of their buses first.
    EXPECT_EQ(buildError({1, 1, 1, 1, 0}), "Negative or zero module vector size A[0] in compound module CswFabric");
    simulation.deleteNetwork();
    newNetwork();
    EXPECT_EQ(buildError({1, 1, 1, 0, 1}), "Negative or zero module vector size M[0] in compound module CswFabric");
    simulation.deleteNetwork();
    newNetwork();
    EXPECT_EQ(buildError({1, 0, 1, 1, 1}),
              "Negative or zero module vector size NxPort[0] in compound module ClientHostInterfaceProcessor");
}

} // namespace
