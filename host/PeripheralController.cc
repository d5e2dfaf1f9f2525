#include "host/PeripheralController.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

PeripheralController::PeripheralController(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), busQue_("BUS_QUE"), dirQue_("DIR_QUE", delete_direction)
{
}

void PeripheralController::delete_direction(void* record)
{
    delete static_cast<Direction*>(record);
}

void PeripheralController::activity()
{
    root_ = find_root(this);
    simDone_ = &root_->par("simDone");
    toAdapter_ = OutputGates(this, "to_adapter");
    toDriver_ = OutputGates(this, "to_driver");
    busy_ = false;

    const long busWidth = par("busWidth").longValue();
    const long busClock = par("busClock").longValue();
    rate_ = busWidth * 0.125 * busClock * 1e6 / 1024;
    if (!(rate_ > 0))
        error("---> Invalid bus rate: busWidth %ld bits at busClock %ld MHz. Both must be >= 1", busWidth, busClock);

    cModule* parent = parentModule();
    underAcp_ = parent->isName("Acp");
    if (underAcp_) {
        cModule* device = parent->parentModule();
        cacheModule_ = device ? device->submodule("CtrlMemCch") : nullptr;
        if (!cacheModule_)
            error("---> %s has no CtrlMemCch beside its array control processor", parent->fullPath().c_str());
    }

    totalDataDelta_ = &addPar("totalDataDelta");
    totalDataDelta_->setLongValue(0);
    period_ = time_scale_seconds(this, root_, "busUtilTimeScale");
    write_bus_util();

    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void PeripheralController::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case BUS_XFER_DELAY: free_bus(msg); break;
    case NEXT_BUS_STAT:
        write_bus_util();
        delete msg;
        break;
    default: {
        const cGate* from = gate(msg->arrivalGateId());
        if (!from || !(from->isName("from_driver") || from->isName("from_adapter"))) {
            const std::string name = msg->name();
            delete msg;
            error("---> %s is neither a bus timer nor a message from a driver or an adapter", name.c_str());
        }
        req_xfer_data(msg, from->index(), from->isName("from_driver"));
    }
    }
}

void PeripheralController::req_xfer_data(cMessage* msg, int gateId, bool fromDrv)
{
    busQue_.insert(msg);
    dirQue_.insert(new Direction{gateId, fromDrv});
    if (!busy_)
        fwd_data();
}

void PeripheralController::fwd_data()
{
    if (busQue_.empty() || dirQue_.empty())
        error("---> fwd_data : fwd_data busQue or dirQue empty fault");
    busy_ = true;
    auto* dir = static_cast<Direction*>(dirQue_.pop());
    auto* msg = static_cast<cMessage*>(busQue_.pop());
    auto* xfer = new cMessage("BUS_XFER_DELAY", BUS_XFER_DELAY, 0);
    xfer->encapsulate(msg);
    xfer->addPar("gateId").setLongValue(dir->gateId);
    xfer->addPar("fromDrv").setBoolValue(dir->fromDrv);
    delete dir;
    scheduleAt(simTime() + (msg->length() / 1024.0) / rate_, xfer);
}

void PeripheralController::free_bus(cMessage* xfer)
{
    busy_ = false;
    if (!xfer->encapsulatedMsg()) {
        delete xfer;
        error("---> free_bus : BUS_XFER_DELAY should encapsulate message");
    }
    if (!xfer->hasPar("gateId") || !xfer->hasPar("fromDrv")) {
        delete xfer;
        error("---> free_bus : BUS_XFER_DELAY missing parameters");
    }
    cMessage* msg = xfer->decapsulate();
    totalDataDelta_->setLongValue(totalDataDelta_->longValue() + msg->length());
    const int gateId = static_cast<int>(xfer->par("gateId").longValue());
    const bool fromDrv = xfer->par("fromDrv").boolValue();
    delete xfer;
    (fromDrv ? toAdapter_ : toDriver_).send(msg, gateId);
    if (!busQue_.empty())
        fwd_data();
}

bool PeripheralController::run_ended() const
{
    return underAcp_ ? cacheModule_->par("allDone").boolValue() : simDone_->boolValue();
}

void PeripheralController::write_bus_util()
{
    const std::string path = output_path(root_, "busUtilDir", fullPath(), ".BusUtil");
    if (!busUtilFile_.is_open()) {
        busUtilFile_ = open_output_file(this, path, true);
        busUtilFile_ << field(15) << "SimTime(ms)" << field(15) << "Thruput(KBps)" << '\n'
                     << std::string(30, '-') << '\n';
    }
    OutputStream& out = busUtilFile_;
    const double kbPerSecond = totalDataDelta_->longValue() / 1024.0 / period_;
    out << std::setprecision(4) << field(15) << sim_time_ms() << std::setprecision(3) << field(15) << kbPerSecond
        << '\n';
    totalDataDelta_->setLongValue(0);
    out.end_row();
    if (!run_ended())
        scheduleAt(simTime() + period_, new cMessage("NEXT_BUS_STAT", NEXT_BUS_STAT, 0));
}

namespace {

const sDescrItem peripheralControllerItems[] = {
    {'M', "default", nullptr, 0},         {'G', "from_adapter[]", nullptr, 'I'}, {'G', "to_adapter[]", nullptr, 'O'},
    {'G', "from_driver[]", nullptr, 'I'}, {'G', "to_driver[]", nullptr, 'O'},    {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(PeripheralController, peripheralControllerItems);
Define_Module(PeripheralController, 10240);
