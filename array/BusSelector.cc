#include "array/BusSelector.h"

#include <string>

#include "array/CswBusRate.h"
#include "array/DataMessage.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"

BusSelector::BusSelector(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), reqQue_("REQ_QUE")
{
}

// Inside the control memory the selector serves every bus of every cache
// switch, inside the fabric the buses of its own switch, and on a board (or
// an array control processor) one bus per cache switch.
int BusSelector::bus_count()
{
    const cModule* parent = parentModule();
    const long cswNum = par("cswNum").longValue();
    const long busNum = par("busNum").longValue();
    if (parent->isName("CtrlMemCch"))
        return static_cast<int>(cswNum * busNum);
    if (parent->isName("CswFab"))
        return static_cast<int>(busNum);
    return static_cast<int>(cswNum);
}

void BusSelector::activity()
{
    busNum_ = bus_count();
    inFabric_ = parentModule()->isName("CswFab");
    rate_ = csw_bus_rate(this);
    fromCpu_ = findGate("from_cpu");
    toCpu_ = findGate("to_cpu");
    toBus_ = OutputGates(this, "to_bus");
    reset_cycle();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void BusSelector::handle(cMessage* msg)
{
    const int kind = msg->kind();
    if (is_array_data(kind))
        return data(msg);
    switch (kind) {
    case ACK_ARBI: {
        if (!inProc_) {
            discard_message(msg);
            error("---> Bus Selector ACK_ARBI inProc fault");
        }
        const double pendKb = msg->par("realDataPendKB").doubleValue();
        const int bus = gate(msg->arrivalGateId())->index();
        discard_message(msg);
        select_bus(pendKb, bus);
        break;
    }
    case FREE_ARBI:
        free_bus_arbi(msg);
        discard_message(msg);
        break;
    case BUS_XFER_DELAY: {
        cMessage* carried = msg->decapsulate();
        discard_message(msg);
        if (!carried)
            error("---> BUS_XFER_DELAY should encapsulate message");
        send(carried, toCpu_);
        break;
    }
    default: {
        const std::string name = msg->name();
        discard_message(msg);
        error("---> No idea know how to handle message: %s", name.c_str());
    }
    }
}

void BusSelector::data(cMessage* msg)
{
    if (fromCpu_ >= 0 && msg->arrivedOn(fromCpu_)) {
        reqQue_.insert(msg);
        if (!inProc_)
            req_bus_arbi();
        return;
    }
    if (inFabric_) {
        send(msg, toCpu_);
        return;
    }
    const double delay = (msg->length() / 1024.0) / rate_;
    auto* timer = new cMessage("BUS_XFER_DELAY", BUS_XFER_DELAY, 0);
    timer->encapsulate(msg);
    scheduleAt(simTime() + delay, timer);
}

void BusSelector::req_bus_arbi()
{
    inProc_ = true;
    for (int i = 0; i < busNum_; ++i) {
        auto* req = new cMessage("REQ_ARBI", REQ_ARBI, 0);
        req->addPar("fromCsw");
        toBus_.send(req, i);
    }
}

void BusSelector::select_bus(double pendKB, int bus)
{
    if (pendKB < leastKb_) {
        leastKb_ = pendKB;
        bestBus_ = bus;
    }
    if (++answers_ < busNum_)
        return;
    if (reqQue_.empty())
        error("---> select_bus : reqQue empty");
    cMessage* msg = static_cast<cMessage*>(reqQue_.pop());
    (msg->hasPar("xferStime") ? msg->par("xferStime") : msg->addPar("xferStime")).setDoubleValue(simTime());
    toBus_.send(msg, bestBus_);
    scheduleAt(simTime() + 1e-7, new cMessage("FREE_ARBI", FREE_ARBI, 0));
}

void BusSelector::free_bus_arbi(cMessage* timer)
{
    for (int i = 0; i < busNum_; ++i)
        toBus_.send(timer->dup(), i);
    reset_cycle();
    if (!reqQue_.empty())
        req_bus_arbi();
}

void BusSelector::reset_cycle()
{
    inProc_ = false;
    answers_ = 0;
    bestBus_ = 0;
    leastKb_ = NO_ANSWER_KB;
}

namespace {

const sDescrItem busSelectorItems[] = {{'M', "default", nullptr, 0},    {'P', "cswNum", "LDXFT", 0},
                                       {'P', "busNum", "LDXFT", 0},     {'G', "from_cpu", nullptr, 'I'},
                                       {'G', "to_cpu", nullptr, 'O'},   {'G', "from_bus[]", nullptr, 'I'},
                                       {'G', "to_bus[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(BusSelector, busSelectorItems);
Define_Module(BusSelector, 8192);
