#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"
#include "tests/shared/ArrayStandIns.h"
#include "tests/shared/LoopPortStandIn.h"
#include "tests/shared/RunTest.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// Real LUN controllers inside a storage device "Dev1", created by the
// stand-in control-memory processor, beside real disks of the tiny model
// TINY6K (400 sectors of 512 bytes: 200 KB, so 25 blocks of 8 KB or 50 of
// 4 KB per disk) and TINY3K (half of that). The device's groups:
//   Acp[0].ArrGrp[0]: 4 TINY6K disks    Acp[0].ArrGrp[1]: 2 TINY6K disks
//   Acp[1].ArrGrp[0]: 2 TINY3K disks    Acp[1].ArrGrp[1]: 1 TINY3K disk, or
//                                       with `modelLess` one with no model
// Tasks for the controllers are scripted on the stand-in; what they send is
// in ArrayStandIn::heard.
class LunTest : public RunTest {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_lun_XXXXXX", VELMORA_TESTS_DIR "/disk/data"));
        ev.setStream(&console);
        simulation.deleteNetwork();
        simulation.setSimTimeLimit(100);
        std::string tiny3k = readFile("TINY6K.params.ini");
        tiny3k.replace(tiny3k.find("\n20 512"), 7, "\n10 512");
        writeFile("TINY3K.params.ini", tiny3k);
        std::string seek;
        for (int d = 1; d <= 10; ++d)
            seek += std::to_string(d) + " " + std::to_string(1.5 + 0.5 * d) + "\n";
        writeFile("TINY3K.seek.full.ini", seek);
        root = newVelmoraRoot();
        const std::pair<const char*, const char*> dirs[] = {{"progDataDir", "out/"},
                                                            {"lunConfDir", "lun/"},
                                                            {"ioOpenDir", "ioopen/"},
                                                            {"diskDrvDir", "disk/"},
                                                            {"finishDir", "finish/"},
                                                            {"ioFailFile", "out/IoFail.txt"},
                                                            {"warningsFile", "out/Warnings.txt"}};
        for (const auto& [name, value] : dirs)
            root->addPar(name).setStringValue(value);
        for (const char* flag : {"globalLunsFileNew", "ioFailFileNew", "warnFileNew", "dskStatFinishFileNew"})
            root->addPar(flag).setBoolValue(true);
        for (const char* flag : {"simDone", "writePhySecMap", "writeLogSecMap"})
            root->addPar(flag).setBoolValue(false);
        for (const char* counter : {"ioFailCnt", "warningsCnt", "rawIoNum", "netIoNum"})
            root->addPar(counter).setLongValue(0);
        root->addPar("lunListFileId").setLongValue(10000);
        root->addPar("lunWwnFileId").setLongValue(20000);
        root->addPar("ioOpenTimeScale").setLongValue(10);
        root->addPar("dskStatTimeScale").setDoubleValue(1000.0);
        CtrlMemProcessorStandIn::clearLuns();
        ArrayStandIn::clear();
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setSimTimeLimit(MAXTIME);
        ArrayStandIn::clear();
        CtrlMemProcessorStandIn::clearLuns();
        ev.setStream(nullptr);
        scratch.leave();
    }

    // A storage device `name` whose array file `confFile` has section "[6]"
    // holding `lunRows`, with `lunNum` LUN controllers, LUN 0 included.
    cModule* array(const std::string& lunRows, int lunNum, const char* name = "Dev1",
                   const std::string& confFile = "array.conf")
    {
        writeFile(confFile,
                  "[4]\nAcpIdx ApcBusWidth ApcBusClock cpuModel\n0 64 100 ACP\n1 64 100 ACP\n[5]\n"
                  "ACP_ID ARRGRP_ID portSpeed diskModel diskCount SecResp\n0 0 2 TINY6K 4 N\n"
                  "0 1 2 TINY6K 2 N\n1 0 2 TINY3K 2 N\n1 1 2 " +
                      std::string(modelLess ? "UNKNOWN_DISK_MODEL" : "TINY3K") +
                      " 1 N\n[6]\nLUN_WWN DSK_NUM BLK_SIZE CON_CURR_LUNIO STRIPE_DEPTH PRI_DISKS MIR_DISKS\n" +
                      lunRows);
        cModule* device = new cCompoundModule(name, root);
        device->addPar("confFile").setStringValue(confFile.c_str());
        for (int acp = 0; acp < 2; ++acp) {
            cModule* board = new cCompoundModule("Acp", device);
            board->setIndex(acp, 2);
            for (int grp = 0; grp < 2; ++grp) {
                cModule* group = new cCompoundModule("ArrGrp", board);
                group->setIndex(grp, 2);
                new LoopPortStandIn("FcAl", group, acp == 1 && grp == 1 ? 1 : acp == 0 && grp == 0 ? 4 : 2);
            }
        }
        cModule* cmc = new cCompoundModule("CtrlMemCch", device);
        CtrlMemProcessorStandIn::lunNum = lunNum;
        findModuleType("CtrlMemProcessor")->create("CtrlMemCpu", cmc);
        return device;
    }
    cModule* lun(int i, cModule* device = nullptr) const
    {
        return (device ? device : root->submodule("Dev1"))->submodule("CtrlMemCch")->submodule("LunCtrl", i);
    }
    cModule* disk(int acp, int grp, int dsk) const
    {
        return root->submodule("Dev1")->submodule("Acp", acp)->submodule("ArrGrp", grp)->submodule("Disk", dsk);
    }
    long lpar(int i, const char* name) const { return lun(i)->par(name).longValue(); }

    // Declares the run done, and every array's cache flushed, at `t`.
    void endRunAt(double t)
    {
        RunTest::endRunAt(t, [this] {
            for (cModule* sub : root->submodules())
                if (cModule* cmc = sub->submodule("CtrlMemCch"))
                    cmc->par("allDone").setBoolValue(true);
        });
    }

    // A task for LUN controller `lun` at `time`.
    static void task(double time, int lun, std::function<cMessage*()> make)
    {
        CtrlMemProcessorStandIn::lunTasks.push_back({time, lun, std::move(make)});
    }
    struct Command {
        unsigned ioId;
        int code;
        unsigned blkAddr = 0;
        unsigned dataLen = 0;
        int chip = 0;
        int fc4 = 0;
        int fcp = 0;
        bool xcopy = false;
        long recTovMs = 1000;
    };
    // A SCSI command for LUN `lun` at `time`; its block belongs to the test,
    // as it belongs to the target's FCP engine in a run.
    void command(double time, int lun, const Command& c)
    {
        cdbs.push_back(std::make_unique<ScsiCdb>("SCSI_CMD", SCSI_CMD));
        ScsiCdb* cdb = cdbs.back().get();
        cdb->setCmdCode(static_cast<unsigned char>(c.code));
        cdb->setBlkAddr(c.blkAddr);
        cdb->setDataLen(c.dataLen);
        task(time, lun, [cdb, c, lun] {
            auto* cmd = new ScsiCmdRecvd("SCSI_CMD_RECVD", SCSI_CMD_RECVD);
            cmd->setFc4Index(c.fc4);
            cmd->setFcpIndex(c.fcp);
            cmd->setLun(static_cast<uint32_t>(lun));
            cmd->setIoId(c.ioId);
            cmd->setCdbPtr(object_address(cdb));
            cmd->setTaskAttr(2);
            cmd->setCrn(7);
            cmd->addPar("chipId").setLongValue(c.chip);
            cmd->addPar("recTov").setLongValue(c.recTovMs);
            if (c.xcopy)
                cmd->addPar("xcopy");
            return cmd;
        });
    }
    // A plain message `name` of `kind` carrying the long parameter `ioId`.
    static void byIoId(double time, int lun, const char* name, int kind, unsigned ioId)
    {
        task(time, lun, [name, kind, ioId] {
            auto* msg = new cMessage(name, kind, 0);
            msg->addPar("ioId").setLongValue(ioId);
            return msg;
        });
    }
    static void dataOut(double time, int lun, unsigned ioId, unsigned burstLen)
    {
        task(time, lun, [lun, ioId, burstLen] {
            auto* d = new DataOutRecvd("DATA_OUT_RECVD", DATA_OUT_RECVD);
            d->setLun(static_cast<uint32_t>(lun));
            d->setIoId(ioId);
            d->setBurstLen(burstLen);
            return d;
        });
    }

    // What LUN controller `i` sent, by name ("" for everything).
    static std::vector<ArrayStandIn::Heard> sent(int i, const std::string& name = "")
    {
        std::vector<ArrayStandIn::Heard> out;
        const std::string gate = "from_lunctrl[" + std::to_string(i) + "]";
        for (const auto& h : ArrayStandIn::heard)
            if (h.gate == gate && (name.empty() || h.name == name))
                out.push_back(h);
        return out;
    }

    bool modelLess = false;
    ScratchDirectory scratch;
    std::ostringstream console;
    std::vector<std::unique_ptr<ScsiCdb>> cdbs;
    ModuleTypeSubstitution ctrlMem{"CtrlMemProcessor", "CtrlMemProcessorStandIn"};
};
