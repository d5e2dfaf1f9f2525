#include "array/Simplex.h"

#include <algorithm>
#include <string>

#include "array/CswBusRate.h"
#include "array/DataMessage.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"

Simplex::Simplex(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), busQue_("BUS_QUE"), arbiQue_("BUS_ARBI_QUE")
{
}

void Simplex::initialize()
{
    // Added before any module starts, so that the cache switch's first
    // utilisation row finds it whatever the start order.
    totalDataDelta_ = &addPar("totalDataDelta");
    totalDataDelta_->setLongValue(0);
}

void Simplex::activity()
{
    rate_ = csw_bus_rate(this);
    fromCpu_ = findGate("from_cpu");
    toCpu_ = findGate("to_cpu");
    toCsw_ = findGate("to_csw");
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void Simplex::handle(cMessage* msg)
{
    const int kind = msg->kind();
    if (is_array_data(kind)) {
        busQue_.insert(msg);
        pendingData_ += static_cast<uint32_t>(msg->length());
        if (!busInUse_)
            xfer_data();
        return;
    }
    switch (kind) {
    case REQ_ARBI: {
        const bool fromCsw = !msg->arrivedOn(fromCpu_);
        (msg->hasPar("fromCsw") ? msg->par("fromCsw") : msg->addPar("fromCsw")).setBoolValue(fromCsw);
        arbiQue_.insert(msg);
        if (!arbiOn_)
            ack_bus_arbi();
        break;
    }
    case FREE_ARBI:
        discard_message(msg);
        free_bus_arbi();
        break;
    case BUS_XFER_DELAY: {
        const long length = msg->par("currDataLen").longValue();
        discard_message(msg);
        free_bus(length);
        break;
    }
    default: {
        const std::string name = msg->name();
        discard_message(msg);
        error("---> No idea know how to handle message: %s", name.c_str());
    }
    }
}

double Simplex::pending_kb(uint32_t pendingBytes, double elapsed, double rate)
{
    if (pendingBytes == 0)
        return 0;
    const double pendingKb = pendingBytes / 1024.0;
    const double left = pendingKb - elapsed * rate;
    if (left >= 0)
        return left;
    if (-left <= 1e-9 * std::max(1.0, pendingKb))
        return 0;
    return -1;
}

void Simplex::ack_bus_arbi()
{
    arbiOn_ = true;
    if (arbiQue_.empty())
        error("---> ack_bus_arbi found arbiQue empty");
    cMessage* req = static_cast<cMessage*>(arbiQue_.pop());
    const double elapsed = busInUse_ ? simTime() - xferStart_ : 0.0;
    const double pendKb = pending_kb(pendingData_, elapsed, rate_);
    if (pendKb < 0) {
        discard_message(req);
        error("---> ack_bus_arbi : pending data calculation fault");
    }
    auto* ack = new cMessage("ACK_ARBI", ACK_ARBI, 0);
    ack->addPar("realDataPendKB").setDoubleValue(pendKb);
    const bool toCsw = req->par("fromCsw").boolValue();
    discard_message(req);
    sendDelayed(ack, ARBI_QUE_DELAY, toCsw ? toCsw_ : toCpu_);
}

void Simplex::free_bus_arbi()
{
    if (!arbiOn_)
        error("---> free_bus_arbi : arbiOn false");
    arbiOn_ = false;
    if (!arbiQue_.empty())
        ack_bus_arbi();
}

void Simplex::xfer_data()
{
    busInUse_ = true;
    if (busQue_.empty())
        error("---> xfer_data : busQue empty fault");
    cMessage* msg = static_cast<cMessage*>(busQue_.pop());
    const bool fromCsw = data_from_csw(this, msg);
    currLength_ = static_cast<uint32_t>(msg->length());
    xferStart_ = simTime();
    send(msg, fromCsw ? toCpu_ : toCsw_);
    auto* timer = new cMessage("BUS_XFER_DELAY", BUS_XFER_DELAY, 0);
    timer->addPar("currDataLen").setLongValue(currLength_);
    scheduleAt(simTime() + (currLength_ / 1024.0) / rate_, timer);
}

void Simplex::free_bus(long length)
{
    if (!busInUse_)
        error("---> free_bus : busInUse false");
    busInUse_ = false;
    pendingData_ -= static_cast<uint32_t>(length);
    currLength_ = 0;
    xferStart_ = 0;
    totalDataDelta_->setLongValue(totalDataDelta_->longValue() + length);
    if (!busQue_.empty())
        xfer_data();
}

namespace {

const sDescrItem simplexItems[] = {{'M', "default", nullptr, 0},  {'G', "from_cpu", nullptr, 'I'},
                                   {'G', "to_csw", nullptr, 'O'}, {'G', "from_csw", nullptr, 'I'},
                                   {'G', "to_cpu", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(Simplex, simplexItems);
Define_Module(Simplex, 8192);
