#include "switch/SwitchStatistics.h"

#include <iomanip>
#include <string>
#include <vector>

#include "device/OutputFile.h"
#include "device/SettingCatalogue.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "switch/NameServerDatabase.h"
#include "switch/RoutingEngine.h"
#include "switch/SwitchPortTable.h"

namespace {

constexpr double MEGABYTE = 1048576.0;

std::string rule(char c, int n)
{
    return std::string(static_cast<size_t>(n), c);
}

double ratio_or_zero(double a, double b)
{
    return b == 0 ? 0.0 : a / b;
}

long take_long(cModule* mod, const char* name)
{
    cPar& p = mod->par(name);
    const long value = p.longValue();
    p.setLongValue(0);
    return value;
}

// A controller whose coroutine has not started has no busy time to show.
double take_busy(cModule* mod)
{
    if (!mod || !mod->hasPar("asicUtilDelta"))
        return 0;
    cPar& p = mod->par("asicUtilDelta");
    const double value = p.doubleValue();
    p.setDoubleValue(0);
    return value;
}

} // namespace

SwitchStatistics::SwitchStatistics(cSimpleModule* centre, const SwitchPortTable& ports, const RoutingEngine& routes,
                                   const NameServerDatabase& nsDb)
    : centre_(centre), ports_(ports), routes_(routes), nsDb_(nsDb)
{
}

// ---- Opening ----------------------------------------------------------------------------

void SwitchStatistics::create_files(cModule* root, cModule* sw, int portNum, std::uint32_t domain)
{
    root_ = root;
    sw_ = sw;
    portNum_ = portNum;
    domainId_ = domain;
    frmFwdDelta_ = &centre_->par("frmFwdDelta");
    latSumDelta_ = &centre_->par("latSumDelta");
    create_port_thru();
    create_switch_traffic();
    swStatPeriod_ = time_scale_seconds(centre_, root_, "swStatTimeScale");
    create_swctr_upd();
    swCtrUpdPeriod_ = time_scale_seconds(centre_, root_, "swCtrUpdTimeScale");
}

void SwitchStatistics::create_port_thru()
{
    portThru_ = open_output_file(centre_, output_path(root_, "portThruDir", sw_->fullPath(), ".PortThru"), true);
    std::ostream& o = portThru_;
    o << field(15) << "SimTime(ms)";
    for (int i = 0; i < portNum_; ++i)
        o << field(27) << "Port[" + std::to_string(i) + "]";
    o << "\n" << field(15) << " ";
    for (int i = 0; i < portNum_; ++i)
        o << field(12) << "Tx(MBps)" << field(15) << "Rx(MBps)";
    o << "\n" << rule('-', 27 * portNum_ + 15) << "\n";
}

void SwitchStatistics::create_switch_traffic()
{
    swTraffic_ = open_output_file(centre_, output_path(root_, "swTrafficDir", sw_->fullPath(), ".SwTraffic"), true);
    std::ostream& o = swTraffic_;
    o << field(15) << "SimTime(ms)" << field(21) << "SwCtrlCtr";
    for (int i = 0; i < portNum_; ++i)
        o << field(37) << "Port[" + std::to_string(i) + "]";
    o << "\n" << field(15) << " " << field(9) << "Lat(us)" << field(12) << "FrmFwd";
    for (int i = 0; i < portNum_; ++i)
        o << field(8) << "TxPay" << field(9) << "TxFrm" << field(8) << "RxPay" << field(12) << "RxFrm";
    o << "\n" << rule('-', 37 * portNum_ + 36) << "\n";
}

void SwitchStatistics::create_swctr_upd()
{
    const long nsDbOutCol = root_long_setting(centre_, root_, "nsDbOutCol");
    if (nsDbOutCol < 1)
        centre_->error("---> Invalid \"nsDbOutCol\". Must >= 1. Please check the file \"omnetpp.ini\"");
    nsDbOutCol_ = static_cast<int>(nsDbOutCol);
    const std::string path = sw_->fullPath();
    rtTbl_ = open_output_file(centre_, output_path(root_, "swCtrUpdDir", path, ".RtTbl"), true);
    rtTbl_ << path << " (Domain_ID: " << domainId_ << ") Routing Table updates ...... \n\n";
    nsDbFile_ = open_output_file(centre_, output_path(root_, "swCtrUpdDir", path, ".NsDb"), true);
    nsDbFile_ << path << " (Domain_ID: " << domainId_ << ") Name Server Database updates ...... \n\n";
}

void SwitchStatistics::create_cpu_util()
{
    asicUtilDelta_ = &centre_->par("asicUtilDelta");
    cpuUtilPeriod_ = time_scale_seconds(centre_, root_, "cpuUtilTimeScale");
    asicUtil_ = open_output_file(centre_, output_path(root_, "swTimingDir", sw_->fullPath(), ".AsicUtil"), true,
                                 "ERROR: Couldn't open file %s!");
    std::ostream& o = asicUtil_;
    o << field(15) << "SimTime(ms)" << field(25) << "SwCentre";
    for (int i = 0; i < portNum_; ++i)
        o << field(47) << "SwPort[" + std::to_string(i) + "]";
    o << "\n" << field(40) << " ";
    for (int i = 0; i < portNum_; ++i)
        o << field(22) << "FC2[" + std::to_string(i) + "]" << field(25) << "FC4[" + std::to_string(i) + "]";
    o << "\n" << field(15) << " " << field(10) << "ASIC_P(%)" << field(15) << "ASIC_T(ms)";
    for (int i = 0; i < portNum_; ++i)
        o << field(10) << "ASIC_P(%)" << field(12) << "ASIC_T(ms)" << field(10) << "ASIC_P(%)" << field(15)
          << "ASIC_T(ms)";
    o << "\n" << rule('-', 47 * portNum_ + 40) << "\n";
}

// ---- Rows -------------------------------------------------------------------------------

void SwitchStatistics::arm(const char* name, int kind, double period)
{
    if (!root_->par("simDone").boolValue())
        centre_->scheduleAt(simTime() + period, new cMessage(name, kind, 0));
}

void SwitchStatistics::write_switch_stat()
{
    write_port_thru();
    write_switch_traffic();
    arm("NEXT_STAT", NEXT_STAT, swStatPeriod_);
}

void SwitchStatistics::write_port_thru()
{
    std::ostream& o = portThru_;
    o << std::setprecision(4) << field(15) << sim_time_ms() << std::setprecision(6);
    for (int i = 0; i < portNum_; ++i) {
        cModule* fc1 = ports_.module(i)->submodule("Fc1");
        const double tx = static_cast<double>(take_long(fc1->submodule("Tx"), "txByteCompDelta"));
        const double rx = static_cast<double>(take_long(fc1->submodule("Rx"), "rxByteCompDelta"));
        o << field(12) << tx / MEGABYTE / swStatPeriod_ << field(15) << rx / MEGABYTE / swStatPeriod_;
    }
    o << "\n";
    portThru_.end_row();
}

void SwitchStatistics::write_switch_traffic()
{
    std::ostream& o = swTraffic_;
    const long frames = frmFwdDelta_->longValue();
    const double latency = ratio_or_zero(latSumDelta_->doubleValue(), static_cast<double>(frames));
    frmFwdDelta_->setLongValue(0);
    latSumDelta_->setDoubleValue(0);
    o << std::setprecision(4) << field(15) << sim_time_ms() << std::setprecision(3) << field(9) << latency << field(12)
      << frames;
    for (int i = 0; i < portNum_; ++i) {
        cModule* fc1 = ports_.module(i)->submodule("Fc1");
        cModule* tx = fc1->submodule("Tx");
        cModule* rx = fc1->submodule("Rx");
        const long txPay = take_long(tx, "txPayDelta"), txFrm = take_long(tx, "txFrmDelta");
        const long rxPay = take_long(rx, "rxPayDelta"), rxFrm = take_long(rx, "rxFrmDelta");
        o << field(8) << ratio_or_zero(static_cast<double>(txPay), txFrm * 1024.0) << field(9) << txFrm << field(8)
          << ratio_or_zero(static_cast<double>(rxPay), rxFrm * 1024.0) << field(12) << rxFrm;
    }
    o << "\n";
    swTraffic_.end_row();
}

void SwitchStatistics::write_swctr_upd()
{
    write_rt_snapshot();
    write_ns_snapshot();
    rtTbl_.end_row();
    nsDbFile_.end_row();
    arm("SWCTR_UPD", SWCTR_UPD, swCtrUpdPeriod_);
}

void SwitchStatistics::write_rt_snapshot()
{
    std::ostream& o = rtTbl_;
    std::vector<const RoutingEntry*> valid;
    for (const RoutingEntry& e : routes_.table().entries())
        if (e.valid)
            valid.push_back(&e);
    const int r = static_cast<int>(valid.size());
    const auto dash_or = [](int v) { return v == -1 ? std::string("-") : std::to_string(v); };
    o << "SimTime ---> " << std::setprecision(3) << sim_time_ms() << " ms ... " << r << " entries found ...\n";
    o << rule('=', 7 * r + 15) << "\n" << field(15) << "DestDom --> ";
    for (const RoutingEntry* e : valid)
        o << field(7) << e->dest;
    o << "\n" << rule('-', 7 * r + 15) << "\n" << field(12) << "NextDom" << std::setw(3) << " : ";
    for (const RoutingEntry* e : valid)
        o << field(7) << dash_or(e->next);
    o << "\n" << field(12) << "OutPort" << std::setw(3) << " : ";
    for (const RoutingEntry* e : valid)
        o << field(7) << dash_or(e->ouId);
    o << "\n" << field(12) << "PathCost" << std::setw(3) << " : ";
    for (const RoutingEntry* e : valid)
        o << field(7) << e->cost;
    o << "\n" << rule('=', 7 * r + 15) << "\n\n";
}

void SwitchStatistics::write_ns_snapshot()
{
    std::ostream& o = nsDbFile_;
    const int k = nsDbOutCol_;
    for (const NsDbEntry& e : nsDb_.entries())
        if (e.used && e.fcpFeature != 0 && e.fcpFeature != 1 && e.fcpFeature != NameServerDatabase::UNIDENTIFIED)
            centre_->error("---> write_swctr_upd : invalid FCP Feature value for NsDb updates");
    o << "SimTime ---> " << std::setprecision(3) << sim_time_ms() << " ms ... " << nsDb_.registered()
      << " FCP entries found ...\n";
    o << rule('=', 12 * k + 25) << "\n"
      << field(22) << "FCP_Feature" << std::setw(3) << " | " << field(120) << "Port_AddrID"
      << "\n";
    o << rule('-', 12 * k + 25) << "\n";
    write_ns_group("FCP_INITIATOR", 1, k);
    o << rule('-', 12 * k + 25) << "\n";
    write_ns_group("FCP_TARGET", 0, k);
    o << rule('-', 12 * k + 25) << "\n";
    write_ns_group("UNIDENTIFIED", NameServerDatabase::UNIDENTIFIED, k);
    o << rule('=', 12 * k + 25) << "\n\n";
}

void SwitchStatistics::write_ns_group(const char* label, int feature, int columns)
{
    std::ostream& o = nsDbFile_;
    const int total = nsDb_.used_with(feature);
    o << std::setw(13) << label << std::setw(3) << " - " << field(6) << total << std::setw(3) << " : ";
    int written = 0;
    for (const NsDbEntry& e : nsDb_.entries()) {
        if (!e.used || e.fcpFeature != feature)
            continue;
        if (written > 0 && written % columns == 0)
            o << "\n" << field(22) << "" << std::setw(3) << " : ";
        o << field(12) << e.portId;
        ++written;
    }
    o << "\n";
}

void SwitchStatistics::write_cpu_util()
{
    std::ostream& o = asicUtil_;
    const double period = cpuUtilPeriod_;
    const auto share = [&](double busy) {
        o << std::setprecision(4) << field(10) << busy / period * 100 << std::setprecision(6);
    };
    o << std::setprecision(4) << field(15) << sim_time_ms();
    const double centre = asicUtilDelta_->doubleValue();
    asicUtilDelta_->setDoubleValue(0);
    share(centre);
    o << field(15) << centre * 1000;
    for (int i = 0; i < portNum_; ++i) {
        const double fc2 = take_busy(ports_.module(i)->moduleByRelativePath("Fc2.Fc2Ctrl"));
        const double fc4 = take_busy(ports_.module(i)->moduleByRelativePath("Fc4.Fc4Ctrl"));
        share(fc2);
        o << field(12) << fc2 * 1000;
        share(fc4);
        o << field(15) << fc4 * 1000;
    }
    o << "\n";
    asicUtil_.end_row();
    arm("NEXT_CPU_UTIL", NEXT_CPU_UTIL, period);
}

// ---- End of run ---------------------------------------------------------------------------

void SwitchStatistics::finish()
{
    for (OutputStream* f : {&portThru_, &swTraffic_, &rtTbl_, &nsDbFile_, &asicUtil_})
        f->finish();
}
