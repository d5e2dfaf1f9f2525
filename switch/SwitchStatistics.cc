// The five statistics files of a switch and the end of its run. Counters
// are read from the ports by path and zeroed once written, so each row
// covers the period since the one before.

#include <cstdio>
#include <filesystem>
#include <iomanip>

#include "device/OutputFile.h"
#include "messages/MsgKinds.h"
#include "switch/SwitchConstruct.h"

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

} // namespace

// ---- Opening ----------------------------------------------------------------------------

void SwitchConstruct::create_port_thru()
{
    portThru_ = open_output_file(this, output_path(root_, "portThruDir", sw_->fullPath(), ".PortThru"), true);
    std::ostream& o = portThru_;
    o << std::setw(15) << "SimTime(ms)";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(27) << "Port[" + std::to_string(i) + "]";
    o << "\n" << std::setw(15) << " ";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(12) << "Tx(MBps)" << std::setw(15) << "Rx(MBps)";
    o << "\n" << rule('-', 27 * swPortNum_ + 15) << "\n";
}

void SwitchConstruct::create_switch_traffic()
{
    swTraffic_ = open_output_file(this, output_path(root_, "swTrafficDir", sw_->fullPath(), ".SwTraffic"), true);
    std::ostream& o = swTraffic_;
    o << std::setw(15) << "SimTime(ms)" << std::setw(21) << "SwCtrlCtr";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(37) << "Port[" + std::to_string(i) + "]";
    o << "\n" << std::setw(15) << " " << std::setw(9) << "Lat(us)" << std::setw(12) << "FrmFwd";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(8) << "TxPay" << std::setw(9) << "TxFrm" << std::setw(8) << "RxPay" << std::setw(12) << "RxFrm";
    o << "\n" << rule('-', 37 * swPortNum_ + 36) << "\n";
}

void SwitchConstruct::create_swctr_upd()
{
    nsDbOutCol_ = static_cast<int>(root_->par("nsDbOutCol").longValue());
    if (nsDbOutCol_ < 1)
        error("---> Invalid \"nsDbOutCol\". Must >= 1. Please check the file \"omnetpp.ini\"");
    const std::string path = sw_->fullPath();
    rtTbl_ = open_output_file(this, output_path(root_, "swCtrUpdDir", path, ".RtTbl"), true);
    rtTbl_ << path << " (Domain_ID: " << domainId_ << ") Routing Table updates ...... \n\n";
    nsDbFile_ = open_output_file(this, output_path(root_, "swCtrUpdDir", path, ".NsDb"), true);
    nsDbFile_ << path << " (Domain_ID: " << domainId_ << ") Name Server Database updates ...... \n\n";
}

void SwitchConstruct::create_cpu_util()
{
    asicUtil_ = open_output_file(this, output_path(root_, "swTimingDir", sw_->fullPath(), ".AsicUtil"), true,
                                 "ERROR: Couldn't open file %s!");
    std::ostream& o = asicUtil_;
    o << std::setw(15) << "SimTime(ms)" << std::setw(25) << "SwCentre";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(47) << "SwPort[" + std::to_string(i) + "]";
    o << "\n" << std::setw(40) << " ";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(22) << "FC2[" + std::to_string(i) + "]" << std::setw(25) << "FC4[" + std::to_string(i) + "]";
    o << "\n" << std::setw(15) << " " << std::setw(10) << "ASIC_P(%)" << std::setw(15) << "ASIC_T(ms)";
    for (int i = 0; i < swPortNum_; ++i)
        o << std::setw(10) << "ASIC_P(%)" << std::setw(12) << "ASIC_T(ms)" << std::setw(10) << "ASIC_P(%)"
          << std::setw(15) << "ASIC_T(ms)";
    o << "\n" << rule('-', 47 * swPortNum_ + 40) << "\n";
}

// ---- Rows -------------------------------------------------------------------------------

void SwitchConstruct::arm(const char* name, int kind, double period)
{
    if (!root_->par("simDone").boolValue())
        scheduleAt(simTime() + period, new cMessage(name, kind, 0));
}

long SwitchConstruct::take_long(cModule* mod, const char* name) const
{
    cPar& p = mod->par(name);
    const long value = p.longValue();
    p.setLongValue(0);
    return value;
}

// A controller whose coroutine has not started has no busy time to show.
double SwitchConstruct::take_busy(cModule* mod) const
{
    if (!mod || !mod->hasPar("asicUtilDelta"))
        return 0;
    cPar& p = mod->par("asicUtilDelta");
    const double value = p.doubleValue();
    p.setDoubleValue(0);
    return value;
}

void SwitchConstruct::write_switch_stat()
{
    write_port_thru();
    write_switch_traffic();
    arm("NEXT_STAT", NEXT_STAT, swStatPeriod_);
}

void SwitchConstruct::write_port_thru()
{
    std::ostream& o = portThru_;
    o << std::setw(15) << std::setprecision(4) << sim_time_ms() << std::setprecision(6);
    for (int i = 0; i < swPortNum_; ++i) {
        cModule* fc1 = sw_port(i)->submodule("Fc1");
        const double tx = static_cast<double>(take_long(fc1->submodule("Tx"), "txByteCompDelta"));
        const double rx = static_cast<double>(take_long(fc1->submodule("Rx"), "rxByteCompDelta"));
        o << std::setw(12) << tx / MEGABYTE / swStatPeriod_ << std::setw(15) << rx / MEGABYTE / swStatPeriod_;
    }
    o << "\n";
}

void SwitchConstruct::write_switch_traffic()
{
    std::ostream& o = swTraffic_;
    const long frames = frmFwdDelta_->longValue();
    const double latency = ratio_or_zero(latSumDelta_->doubleValue(), static_cast<double>(frames));
    frmFwdDelta_->setLongValue(0);
    latSumDelta_->setDoubleValue(0);
    o << std::setw(15) << std::setprecision(4) << sim_time_ms() << std::setprecision(3) << std::setw(9) << latency
      << std::setw(12) << frames;
    for (int i = 0; i < swPortNum_; ++i) {
        cModule* fc1 = sw_port(i)->submodule("Fc1");
        cModule* tx = fc1->submodule("Tx");
        cModule* rx = fc1->submodule("Rx");
        const long txPay = take_long(tx, "txPayDelta"), txFrm = take_long(tx, "txFrmDelta");
        const long rxPay = take_long(rx, "rxPayDelta"), rxFrm = take_long(rx, "rxFrmDelta");
        o << std::setw(8) << ratio_or_zero(static_cast<double>(txPay), txFrm * 1024.0) << std::setw(9) << txFrm
          << std::setw(8) << ratio_or_zero(static_cast<double>(rxPay), rxFrm * 1024.0) << std::setw(12) << rxFrm;
    }
    o << "\n";
}

void SwitchConstruct::write_swctr_upd()
{
    write_rt_snapshot();
    write_ns_snapshot();
    arm("SWCTR_UPD", SWCTR_UPD, swCtrUpdPeriod_);
}

void SwitchConstruct::write_rt_snapshot()
{
    std::ostream& o = rtTbl_;
    std::vector<const RoutingEntry*> valid;
    for (const RoutingEntry& e : routes_.table().entries())
        if (e.valid)
            valid.push_back(&e);
    const int r = static_cast<int>(valid.size());
    const auto dash_or = [](int v) { return v == -1 ? std::string("-") : std::to_string(v); };
    o << "SimTime ---> " << std::setprecision(3) << sim_time_ms() << " ms ... " << r << " entries found ...\n";
    o << rule('=', 7 * r + 15) << "\n" << std::setw(15) << "DestDom --> ";
    for (const RoutingEntry* e : valid)
        o << std::setw(7) << e->dest;
    o << "\n" << rule('-', 7 * r + 15) << "\n" << std::setw(12) << "NextDom" << std::setw(3) << " : ";
    for (const RoutingEntry* e : valid)
        o << std::setw(7) << dash_or(e->next);
    o << "\n" << std::setw(12) << "OutPort" << std::setw(3) << " : ";
    for (const RoutingEntry* e : valid)
        o << std::setw(7) << dash_or(e->ouId);
    o << "\n" << std::setw(12) << "PathCost" << std::setw(3) << " : ";
    for (const RoutingEntry* e : valid)
        o << std::setw(7) << e->cost;
    o << "\n" << rule('=', 7 * r + 15) << "\n\n";
}

void SwitchConstruct::write_ns_snapshot()
{
    std::ostream& o = nsDbFile_;
    const int k = nsDbOutCol_;
    for (const NsDbEntry& e : nsDb_.entries())
        if (e.used && e.fcpFeature != 0 && e.fcpFeature != 1 && e.fcpFeature != NameServerDatabase::UNIDENTIFIED)
            error("---> write_swctr_upd : invalid FCP Feature value for NsDb updates");
    o << "SimTime ---> " << std::setprecision(3) << sim_time_ms() << " ms ... " << nsDb_.registered()
      << " FCP entries found ...\n";
    o << rule('=', 12 * k + 25) << "\n"
      << std::setw(22) << "FCP_Feature" << std::setw(3) << " | " << std::setw(120) << "Port_AddrID"
      << "\n";
    o << rule('-', 12 * k + 25) << "\n";
    write_ns_group("FCP_INITIATOR", 1, k);
    o << rule('-', 12 * k + 25) << "\n";
    write_ns_group("FCP_TARGET", 0, k);
    o << rule('-', 12 * k + 25) << "\n";
    write_ns_group("UNIDENTIFIED", NameServerDatabase::UNIDENTIFIED, k);
    o << rule('=', 12 * k + 25) << "\n\n";
}

void SwitchConstruct::write_ns_group(const char* label, int feature, int columns)
{
    std::ostream& o = nsDbFile_;
    const int total = nsDb_.used_with(feature);
    o << std::setw(13) << label << std::setw(3) << " - " << std::setw(6) << total << std::setw(3) << " : ";
    int written = 0;
    for (const NsDbEntry& e : nsDb_.entries()) {
        if (!e.used || e.fcpFeature != feature)
            continue;
        if (written > 0 && written % columns == 0)
            o << "\n" << std::setw(22) << "" << std::setw(3) << " : ";
        o << std::setw(12) << e.portId;
        ++written;
    }
    o << "\n";
}

void SwitchConstruct::write_cpu_util()
{
    std::ostream& o = asicUtil_;
    const double period = cpuUtilPeriod_;
    const auto share = [&](double busy) {
        o << std::setprecision(4) << std::setw(10) << busy / period * 100 << std::setprecision(6);
    };
    o << std::setw(15) << std::setprecision(4) << sim_time_ms();
    const double centre = asicUtilDelta_->doubleValue();
    asicUtilDelta_->setDoubleValue(0);
    share(centre);
    o << std::setw(15) << centre * 1000;
    for (int i = 0; i < swPortNum_; ++i) {
        const double fc2 = take_busy(sw_port(i)->moduleByRelativePath("Fc2.Fc2Ctrl"));
        const double fc4 = take_busy(sw_port(i)->moduleByRelativePath("Fc4.Fc4Ctrl"));
        share(fc2);
        o << std::setw(12) << fc2 * 1000;
        share(fc4);
        o << std::setw(15) << fc4 * 1000;
    }
    o << "\n";
    arm("NEXT_CPU_UTIL", NEXT_CPU_UTIL, period);
}

// ---- End of run ---------------------------------------------------------------------------

void SwitchConstruct::finish()
{
    for (std::ofstream* f : {&portThru_, &swTraffic_, &rtTbl_, &nsDbFile_, &asicUtil_})
        if (f->is_open())
            f->close();
    trunkQue_.clear();
    cPar& deleted = root_->par("tmpFilesDeleted");
    if (!deleted.boolValue()) {
        deleted.setBoolValue(true);
        remove_temporary_files();
    }
}

// The run's temporary files are those whose path is `progDataDir` followed
// by any name ending in ".tmp". They are listed and removed one by one, so
// that no character of the directory's name can reach a shell.
void SwitchConstruct::remove_temporary_files() const
{
    namespace fs = std::filesystem;
    const std::string prefix = root_->par("progDataDir").stringValue();
    const size_t slash = prefix.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    const std::string namePrefix = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        const bool matches = name.size() >= namePrefix.size() + 4 &&
                             name.compare(0, namePrefix.size(), namePrefix) == 0 &&
                             name.compare(name.size() - 4, 4, ".tmp") == 0;
        // As with a shell pattern, a leading '*' does not match a leading dot.
        const bool hidden = namePrefix.empty() && !name.empty() && name[0] == '.';
        if (matches && !hidden && entry.is_regular_file(ec))
            std::remove(entry.path().c_str());
    }
}
