#include "tests/shared/LoopPortStandIn.h"

#include "disk/DiskStatFinish.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"

LoopPortStandIn::LoopPortStandIn(const char* name, cModule* parent, int diskCount)
    : cSimpleModule(name, parent, 16384), diskCount_(diskCount)
{
    addGate("from_disk", 'I', true);
    addGate("to_disk", 'O', true);
}

void LoopPortStandIn::initialize()
{
    setGateSize("from_disk", diskCount_);
    setGateSize("to_disk", diskCount_);
    cModuleType* type = findModuleType("DiskDrive");
    for (int i = 0; i < diskCount_; ++i) {
        cModule* d = type->create("Disk", parentModule());
        d->setIndex(i, diskCount_);
        gate("to_disk", i)->connectTo(d->gate("from_fcal"));
        d->gate("to_fcal")->connectTo(gate("from_disk", i));
        d->par("inUse").setBoolValue(false);
        d->par("inUse").setInput(false);
        d->buildInside();
        simulation.startCreatedModules(d);
    }
}

cModule* LoopPortStandIn::disk(int i) const
{
    return parentModule()->submodule("Disk", i);
}

void LoopPortStandIn::activity()
{
    for (const Request& r : script) {
        auto* io = new DskSecIo("SEC_IO_REQ", SEC_IO_REQ);
        io->setLength(r.ioType == SCSI_WRITE ? 512 + 52 : 0);
        io->setBlkIoSbPtr(1000 + static_cast<long>(r.dskSec));
        io->setDskSec(static_cast<uint32_t>(r.dskSec));
        io->setIoType(static_cast<uint8_t>(r.ioType));
        io->setSrcDskId(diskCount_);
        io->setDstDskId(r.disk);
        io->setDskBlk(static_cast<uint32_t>(r.dskBlk));
        io->setLunBlk(static_cast<uint32_t>(r.lunBlk));
        sendDelayed(io, r.time - simTime(), "to_disk", r.disk);
    }
    for (const Stray& s : strays)
        sendDelayed(new cMessage(s.name, s.kind, 0), s.time - simTime(), "to_disk", s.disk);
    for (;;) {
        cMessage* msg = receive();
        const int from = msg->arrivalGate()->index();
        if (msg->kind() == LOOP_FREE) {
            loopFrees.emplace_back(simTime(), from);
        } else if (msg->kind() == REQ_LOOP_ARBI && msg->encapsulatedMsg()) {
            auto* io = static_cast<DskSecIo*>(msg->encapsulatedMsg());
            completions.push_back({simTime(), io->getSrcDskId(), io->getDstDskId(), io->getDskSec(), io->getIoType(),
                                   io->length(), io->getBlkIoSbPtr(), io->par("secResp").doubleValue()});
            if (io->kind() != SEC_IO_COMP || from != io->getSrcDskId())
                other.push_back(io->name());
        } else {
            other.push_back(msg->name());
        }
        delete msg;
    }
}

std::vector<unsigned long> LoopPortStandIn::completedSectors() const
{
    std::vector<unsigned long> sectors;
    for (const Completion& c : completions)
        sectors.push_back(c.dskSec);
    return sectors;
}

void LoopPortStandIn::finish()
{
    write_dskstat_finish(this, find_root(this), parentModule(), diskCount_,
                         diskCount_ > 0 && disk(0)->hasPar("dskSecSiz") ? disk(0)->par("dskSecSiz").longValue() : 0);
}
