#pragma once

#include <map>
#include <string>
#include <vector>

#include "device/ConfigRow.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "tests/shared/ArrayFixture.h"
#include "tests/shared/ArrayStandIns.h"

// A storage device "Arr" whose control memory "CtrlMemCch" holds the real
// processor `CtrlMemCpu` with stand-in LUN controllers. Its neighbours are
// played by the test: one host-interface board "Chip" (an end on gate 0 of
// `from_chip`/`to_chip`), two disks "Disk[0..1]" with the counters that the
// cache keeps on them, and "BackEnd", which plays both array control
// processors and the data path: a physical read comes back on the bus as
// BLK_READ_DATA and a physical write on its processor's meta channel as
// PHY_BLK_WRITE_COMP, each `readDelay` or `writeDelay` after it was sent.
class CtrlMemTest : public ArrayTest {
  public:
    struct BackEndArrival {
        std::string name;
        double time;
        unsigned long lunBlk;
        int acpId;
        int dskId;
    };

    // Data rows of a statistics file (after its `headerLines` header
    // lines), each split into fields.
    static std::vector<std::vector<std::string>> rows(const std::string& file, int headerLines)
    {
        std::vector<std::vector<std::string>> out;
        const std::vector<std::string> lines = readLines(file);
        for (size_t i = headerLines; i < lines.size(); ++i)
            out.push_back(ConfigRow::split(lines[i]));
        return out;
    }

  protected:
    void SetUp() override
    {
        ArrayTest::SetUp();
        addRootPars();
    }
    // A fresh network for a further run in the same test.
    void renew()
    {
        ArrayStandIn::clear();
        backEnd.clear();
        chipOut.clear();
        newNetwork();
        addRootPars();
    }
    void addRootPars()
    {
        root->addPar("cchUtilTimeScale").setLongValue(10);
        root->addPar("ctrlMemDir").setStringValue("cm/");
        root->addPar("finishDir").setStringValue("fin/");
        root->addPar("ctrlMemFinishFileNew").setBoolValue(true);
        root->addPar("lunIoFinishFileNew").setBoolValue(true);
    }
    void TearDown() override
    {
        ArrayStandIn::clear();
        ArrayTest::TearDown();
    }

    // The configuration: section "[3]" with `luns` LUNs, `cacheMb` MB and
    // the cache mode, then the flush and clean lines as given.
    static std::string conf(int luns, const std::string& cacheMb, bool writeThru,
                            const std::string& flush = "None 0.5 0.1 10 0.5 0.1 0.1 0.5 1",
                            const std::string& clean = "N 10 0.5 0.5 0.5 0.5 0.5")
    {
        return "[3]\nMaxArrLun CacheSize CswBusWidth CswBusClock CswDelay CpuModel WriteThru\n" + std::to_string(luns) +
               " " + cacheMb + " 64 100 2 CtrlMemCpu " + (writeThru ? "Y" : "N") +
               "\n[3.1]\nCCH_UPD FTH_actv FTH_dactv INT_flush FBR_max FBR_ini FBR_min TOL_fact AGG_fact\n" + flush +
               "\n[3.2]\nEnable INT_clean HRTH CTH_H_actv CBR_H_max CTH_N_actv CBR_N_max\n" + clean + "\n[4]\n";
    }

    // Builds the array around the real processor; `confText` becomes its
    // configuration file.
    void build(const std::string& confText, int acpNum = 2)
    {
        writeFile("cm.conf", confText);
        array = new cCompoundModule("Arr", root);
        array->addPar("confFile").setStringValue("cm.conf");
        cmc = new cCompoundModule("CtrlMemCch", array);
        cpu = findModuleType("CtrlMemProcessor")->create("CtrlMemCpu", cmc);
        cpu->setGateSize("from_chip", 1);
        cpu->setGateSize("to_chip", 1);
        cpu->setGateSize("from_acp", acpNum);
        cpu->setGateSize("to_acp", acpNum);
        wire(cpu, "to_chip", "from_chip", 0, end("Chip", array, chipOut));
        for (int i = 0; i < 2; ++i) {
            disks[i] = compound("Disk", array, i, 2);
            disks[i]->addPar("pendBlk").setLongValue(0);
            disks[i]->addPar("compBlk").setLongValue(0);
        }
        buildBackEnd(acpNum);
    }

    void buildBackEnd(int acpNum)
    {
        auto* be = new LambdaModule("BackEnd", array, [this](LambdaModule& self) {
            for (;;) {
                cMessage* msg = self.receive();
                if (msg->isSelfMessage()) {
                    auto* io = static_cast<LunBlkIo*>(msg);
                    if (io->kind() == BLK_READ_DATA)
                        self.send(io, "toBs");
                    else
                        self.send(io, "toAcp", io->getLunBlkLoc().acpId);
                    continue;
                }
                auto* io = static_cast<LunBlkIo*>(msg);
                backEnd.push_back(
                    {io->name(), self.simTime(), io->getLunBlk(), io->getLunBlkLoc().acpId, io->getLunBlkLoc().dskId});
                if (io->kind() == REQ_PHY_BLK_READ) {
                    io->setName("BLK_READ_DATA");
                    io->setKind(BLK_READ_DATA);
                    io->setLength(static_cast<long>(io->getBlkSize()));
                    self.scheduleAt(self.simTime() + readDelay, io);
                } else {
                    io->setName("PHY_BLK_WRITE_COMP");
                    io->setKind(PHY_BLK_WRITE_COMP);
                    io->setLength(0);
                    self.scheduleAt(self.simTime() + writeDelay, io);
                }
            }
        });
        be->addGate("fromBs", 'I');
        be->addGate("toBs", 'O');
        be->addGate("fromAcp", 'I', true);
        be->addGate("toAcp", 'O', true);
        be->setGateSize("fromAcp", acpNum);
        be->setGateSize("toAcp", acpNum);
        cpu->gate("to_bs")->connectTo(be->gate("fromBs"));
        be->gate("toBs")->connectTo(cpu->gate("from_bs"));
        for (int i = 0; i < acpNum; ++i) {
            cpu->gate("to_acp", i)->connectTo(be->gate("fromAcp", i));
            be->gate("toAcp", i)->connectTo(cpu->gate("from_acp", i));
        }
    }

    // Where a block lives: its primary on Disk[0] behind processor 0 and,
    // when mirrored, its mirror on Disk[1] behind processor 1.
    LunBlkLocAnx* location(unsigned long dskBlk, bool mirrored) const
    {
        auto* loc = new LunBlkLocAnx("LUN_BLK_LOC_ANX", LUN_BLK_LOC_ANX);
        loc->setLength(0);
        loc->setPriAcpId(0);
        loc->setPriGrpId(0);
        loc->setPriDskId(0);
        loc->setPriDskModPtr(object_address(disks[0]));
        loc->setMirAcpId(mirrored ? 1 : -1);
        loc->setMirGrpId(mirrored ? 0 : -1);
        loc->setMirDskId(mirrored ? 1 : -1);
        loc->setMirDskModPtr(mirrored ? object_address(disks[1]) : 0);
        loc->setDskBlk(dskBlk);
        return loc;
    }

    // A block request of a LUN controller at `t`: 32 KB blocks.
    ArrayStandIn::Step blockRequest(double t, int ioType, unsigned long lun, unsigned long lunBlk, unsigned long ioId,
                                    bool mirrored = false)
    {
        return {t, "to_cpu", -1, [=] {
                    const bool read = ioType == 136;
                    auto* req =
                        new LunBlkIo(read ? "REQ_BLK_READ" : "REQ_BLK_WRITE", read ? REQ_BLK_READ : REQ_BLK_WRITE);
                    req->setLunId(lun);
                    req->setLunBlk(lunBlk);
                    req->setBlkSize(32768);
                    req->setLength(32768);
                    req->setIoId(ioId);
                    req->setIoType(ioType);
                    req->encapsulate(location(lunBlk + 100, mirrored));
                    return static_cast<cMessage*>(req);
                }};
    }

    void lunPlay(int i, const std::string& wwn, std::vector<ArrayStandIn::Step> script = {}, double hold = 0,
                 std::map<std::string, long> counters = {})
    {
        const std::string path = "Velmora.Arr.CtrlMemCch.LunCtrl[" + std::to_string(i) + "]";
        LunControllerStandIn::plays[path] = {wwn, hold, std::move(counters)};
        ArrayStandIn::scripts[path] = std::move(script);
    }

    // What LunCtrl[i] heard, in order.
    static std::vector<const ArrayStandIn::Heard*> heardBy(int i)
    {
        const std::string path = "Velmora.Arr.CtrlMemCch.LunCtrl[" + std::to_string(i) + "]";
        std::vector<const ArrayStandIn::Heard*> found;
        for (const ArrayStandIn::Heard& h : ArrayStandIn::heard)
            if (h.module == path)
                found.push_back(&h);
        return found;
    }
    std::vector<const BackEndArrival*> backEndOf(const std::string& name) const
    {
        std::vector<const BackEndArrival*> found;
        for (const BackEndArrival& a : backEnd)
            if (a.name == name)
                found.push_back(&a);
        return found;
    }

    LunControllerStandInInPlace lunStandIns;
    cModule* array = nullptr;
    cModule* cmc = nullptr;
    cModule* cpu = nullptr;
    cModule* disks[2] = {nullptr, nullptr};
    std::vector<Outgoing> chipOut;
    double readDelay = 0.001;
    double writeDelay = 0.001;
    std::vector<BackEndArrival> backEnd;
};
