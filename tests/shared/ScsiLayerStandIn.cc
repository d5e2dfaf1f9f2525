#include "tests/shared/ScsiLayerStandIn.h"

#include "host/IoPhase.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

namespace {

// Kinds of the stand-in's own timers, apart from the model's.
constexpr int ANNOUNCE_TIMER = -1;
constexpr int COMPLETION_TIMER = -2;

} // namespace

ScsiLayerStandIn::ScsiLayerStandIn(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize)
{
    addGate("from_iogen", 'I');
    addGate("to_iogen", 'O');
}

void ScsiLayerStandIn::announce(double time, const std::string& wwn, long blkNum, long blkSize)
{
    luns_.push_back({time, wwn, blkNum, blkSize});
}

void ScsiLayerStandIn::activity()
{
    for (size_t i = 0; i < luns_.size(); ++i) {
        auto* timer = new cMessage("ANNOUNCE", ANNOUNCE_TIMER);
        timer->addPar("lun").setLongValue(static_cast<long>(i));
        scheduleAt(luns_[i].time, timer);
    }
    for (;;) {
        cMessage* msg = receive();
        if (msg->kind() == ANNOUNCE_TIMER) {
            const Lun& lun = luns_[static_cast<size_t>(msg->par("lun").longValue())];
            auto* ready = new cMessage("LUN_IO_GEN_RDY", LUN_IO_GEN_RDY, 0);
            ready->addPar("lunWwn").setStringValue(lun.wwn.c_str());
            ready->addPar("lunBlkNum").setLongValue(lun.blkNum);
            ready->addPar("lunBlkSize").setLongValue(lun.blkSize);
            send(ready, "to_iogen");
        } else if (msg->kind() == COMPLETION_TIMER) {
            complete();
        } else {
            record(msg);
        }
        delete msg;
    }
}

void ScsiLayerStandIn::record(cMessage* msg)
{
    if (msg->kind() != SCSI_RDWR_IO)
        error("stand-in initiator: unexpected message %s", msg->name());
    received.push_back({simTime(), msg->par("ioType").longValue(), msg->par("ioSize").longValue(),
                        msg->par("blkAddr").longValue(), msg->par("lunWwn").stringValue(),
                        msg->par("ioGenId").longValue(), msg->par("ioPatName").stringValue(),
                        msg->par("sTime").doubleValue(), find_root(this)->par("netIoToGen").longValue()});
    if (serviceTime >= 0)
        scheduleAt(simTime() + serviceTime, new cMessage("IO_DONE", COMPLETION_TIMER));
}

void ScsiLayerStandIn::complete()
{
    completions.push_back(simTime());
    cModule* root = find_root(this);
    cPar& comp = root->par("netIoComp");
    comp.setLongValue(comp.longValue() + 1);
    if (comp.longValue() == root->par("netIoNum").longValue())
        end_io_phase(this, root);
}
