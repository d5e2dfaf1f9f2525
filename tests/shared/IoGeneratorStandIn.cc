#include "tests/shared/IoGeneratorStandIn.h"

#include "messages/MsgKinds.h"
#include "network/RootModule.h"

IoGeneratorStandIn::~IoGeneratorStandIn()
{
    if (timer_)
        delete cancelEvent(timer_);
}

void IoGeneratorStandIn::activity()
{
    cModule* root = find_root(this);
    cPar& netIoNum = root->par("netIoNum");
    netIoNum.setLongValue(netIoNum.longValue() + static_cast<long>(plan.size()));
    size_t next = 0;
    timer_ = new cMessage("NEXT_IO", NEXT_IO, 0);
    if (!plan.empty())
        scheduleAt(plan[0].at, timer_);
    for (;;) {
        cMessage* msg = receive();
        if (msg == timer_) {
            const Io& io = plan[next++];
            auto* req = new cMessage("SCSI_RDWR_IO", SCSI_RDWR_IO, 0);
            req->addPar("ioType").setLongValue(io.ioType);
            req->addPar("ioSize").setLongValue(io.ioSize);
            req->addPar("blkAddr").setLongValue(io.blkAddr);
            req->addPar("lunWwn").setStringValue(io.lunWwn.c_str());
            req->addPar("ioGenId").setLongValue(io.ioGenId);
            req->addPar("ioPatName").setStringValue("StandIn");
            req->addPar("sTime").setDoubleValue(simTime());
            send(req, "to_scsi");
            if (next < plan.size())
                scheduleAt(plan[next].at, timer_);
            continue;
        }
        if (msg->kind() == LUN_IO_GEN_RDY)
            ready.push_back({simTime(), msg->par("lunWwn").stringValue(), msg->par("lunBlkSize").longValue(),
                             msg->par("lunBlkNum").longValue()});
        else
            unexpected.push_back(msg->name());
        delete msg;
    }
}

namespace {

const sDescrItem ioGeneratorStandInItems[] = {{'M', "default", nullptr, 0},
                                              {'G', "from_scsi", nullptr, 'I'},
                                              {'G', "to_scsi", nullptr, 'O'},
                                              {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(IoGeneratorStandIn, ioGeneratorStandInItems);
Define_Module(IoGeneratorStandIn, 16384);
