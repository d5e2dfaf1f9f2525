#include "array/CacheSwitch.h"

#include <iomanip>
#include <string>

#include "array/DataMessage.h"
#include "device/OutputFile.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/ExactCast.h"
#include "sim/Sim.h"

namespace {

constexpr int COLUMN = 15;

} // namespace

CacheSwitch::CacheSwitch(const char* name, cModule* parent, unsigned stackSize) : cSimpleModule(name, parent, stackSize)
{
}

void CacheSwitch::activity()
{
    root_ = find_root(this);
    cModule* fabric = parentModule();
    busNum_ = static_cast<int>(fabric->par("busNum").longValue());
    cswNum_ = static_cast<int>(fabric->par("cswNum").longValue());
    chipNum_ = static_cast<int>(fabric->par("chipNum").longValue());
    acpNum_ = static_cast<int>(fabric->par("acpNum").longValue());
    device_ = fabric->parentModule();
    ctrlMem_ = device_->submodule("CtrlMemCch");
    if (!ctrlMem_)
        error("---> %s has no CtrlMemCch", device_->fullPath().c_str());
    delay_ = device_->par("cswDlyUS").doubleValue() / 1e6;
    period_ = time_scale_seconds(this, root_, "busUtilTimeScale");
    cswQue_.set_busy(false);
    collect_buses();
    write_bus_util();

    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void CacheSwitch::collect_buses()
{
    const int i = index();
    const std::pair<const char*, int> groups[] = {{"C", chipNum_}, {"M", busNum_}, {"A", acpNum_}};
    for (const auto& [bus, count] : groups)
        for (int k = 0; k < count; ++k) {
            cModule* m = parentModule()->submodule(bus, count * i + k);
            if (!m)
                error("---> %s has no bus %s[%d]", parentModule()->fullPath().c_str(), bus, count * i + k);
            busDeltas_.push_back(&m->par("totalDataDelta"));
        }
}

void CacheSwitch::handle(cMessage* msg)
{
    const int kind = msg->kind();
    if (is_array_data(kind)) {
        cswQue_.submit(msg);
        return;
    }
    switch (kind) {
    case CSW_DELAY: {
        cMessage* carried = msg->decapsulate();
        discard_message(msg);
        if (!carried)
            error("---> CSW_DELAY should encapsulate message");
        proc_data_fwd(carried);
        cswQue_.release();
        break;
    }
    case NEXT_BUS_STAT:
        discard_message(msg);
        write_bus_util();
        break;
    default: {
        const std::string name = msg->name();
        discard_message(msg);
        error("---> No idea know how to handle message: %s", name.c_str());
    }
    }
}

void CacheSwitch::cost_csw_dly()
{
    if (cswQue_.empty())
        error("---> cost_csw_dly : swQue empty");
    auto* timer = new cMessage("CSW_DELAY", CSW_DELAY, 0);
    timer->encapsulate(cswQue_.take_next());
    scheduleAt(simTime() + delay_, timer);
}

void CacheSwitch::proc_data_fwd(cMessage* msg)
{
    switch (msg->kind()) {
    case SEND_DATA_IN: {
        const int chipId = static_cast<SendDataIn*>(msg)->getChipId();
        set_data_from_csw(this, msg, true);
        send(msg, "to_chip", chipId);
        return;
    }
    case DATA_OUT_RECVD:
    case BLK_READ_DATA:
        set_data_from_csw(this, msg, true);
        send(msg, "to_bs");
        return;
    case REQ_PHY_BLK_WRITE:
        if (auto* blk = exact_cast<LunBlkIo>(msg)) {
            blk->setFromCsw(true);
            send(msg, "to_acp", blk->getLunBlkLoc().acpId);
            return;
        }
        break;
    default: break;
    }
    const std::string name = msg->name();
    discard_message(msg);
    error("---> CSW_QUE doesn't know how to handle message %s", name.c_str());
}

void CacheSwitch::write_header(std::ostream& out) const
{
    out << field(COLUMN) << " " << field(chipNum_ * COLUMN) << "Thruput (KBps)" << field(busNum_ * COLUMN)
        << "Thruput (KBps)" << field(acpNum_ * COLUMN) << "Thruput (KBps)"
        << "\n";
    const int i = index();
    out << field(COLUMN) << "SimTime(ms)";
    for (int k = 0; k < chipNum_; ++k)
        out << field(COLUMN) << "ChipBus[" + std::to_string(chipNum_ * i + k) + "]";
    for (int k = 0; k < busNum_; ++k)
        out << field(COLUMN) << "CchBus[" + std::to_string(busNum_ * i + k) + "]";
    for (int k = 0; k < acpNum_; ++k)
        out << field(COLUMN) << "AcpBus[" + std::to_string(acpNum_ * i + k) + "]";
    out << "\n" << std::string((chipNum_ + busNum_ + acpNum_) * COLUMN + COLUMN, '-') << "\n";
}

void CacheSwitch::write_bus_util()
{
    if (!busUtilFile_.is_open()) {
        busUtilFile_ = open_output_file(this, output_path(root_, "busUtilDir", fullPath(), ".BusUtil"), true);
        write_header(busUtilFile_);
    }
    OutputStream& out = busUtilFile_;
    out << std::setprecision(4) << field(COLUMN) << sim_time_ms() << std::setprecision(3);
    for (cPar* delta : busDeltas_) {
        out << field(COLUMN) << delta->longValue() / 1024.0 / period_;
        delta->setLongValue(0);
    }
    out << "\n";
    out.end_row();
    if (!ctrlMem_->par("allDone").boolValue())
        scheduleAt(simTime() + period_, new cMessage("NEXT_BUS_STAT", NEXT_BUS_STAT, 0));
}

namespace {

const sDescrItem cacheSwitchItems[] = {{'M', "default", nullptr, 0},     {'P', "chipNum", "LDXFT", 0},
                                       {'P', "acpNum", "LDXFT", 0},      {'G', "from_chip[]", nullptr, 'I'},
                                       {'G', "to_chip[]", nullptr, 'O'}, {'G', "from_acp[]", nullptr, 'I'},
                                       {'G', "to_acp[]", nullptr, 'O'},  {'G', "from_bs", nullptr, 'I'},
                                       {'G', "to_bs", nullptr, 'O'},     {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(CacheSwitch, cacheSwitchItems);
Define_Module(CacheSwitch, 10240);
