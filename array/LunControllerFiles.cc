#include <iomanip>
#include <sstream>

#include "array/LunController.h"
#include "device/InputFile.h"
#include "device/IoFailLog.h"
#include "device/OutputFile.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

// The LUN's statistics parameters, its ".IoOpen" and ".LunConf" files, the
// run-wide list of configured LUNs and its rows in the run's logs.

namespace {

const char* const RD_PARS[] = {"rdIoReq", "rdIoSucc", "rdIoAbrt", "rdIoOpen", "rdIoWait"};
const char* const WR_PARS[] = {"wrIoReq", "wrIoSucc", "wrIoAbrt", "wrIoOpen", "wrIoWait"};
constexpr int RULE = 95;

void bind_direction(cModule* mod, const char* const (&names)[5], LunController::Direction& d)
{
    cPar** slots[] = {&d.req, &d.succ, &d.abrt, &d.open, &d.wait};
    for (int i = 0; i < 5; ++i) {
        cPar& p = mod->addPar(names[i]);
        p.setLongValue(0);
        *slots[i] = &p;
    }
}

long value(const cPar* p)
{
    return p ? p->longValue() : 0;
}

} // namespace

std::string LunController::device_path() const
{
    return device_->fullPath();
}

void LunController::add_statistics_params()
{
    bind_direction(this, RD_PARS, rd_);
    bind_direction(this, WR_PARS, wr_);
}

// ---- ".IoOpen" --------------------------------------------------------------------

void LunController::write_file_ioopen()
{
    if (value(rd_.req) + value(wr_.req) != 0) {
        if (!ioOpenFile_.is_open()) {
            const std::string path =
                output_path(root_, "ioOpenDir", device_path(), ("." + lunWwn_ + ".IoOpen").c_str());
            ioOpenFile_ = open_output_file(this, path, true);
            write_ioopen_header(ioOpenFile_);
        }
        OutputStream& out = ioOpenFile_;
        out << std::setprecision(4) << field(18) << sim_time_ms();
        write_ioopen_group(out, rd_.intReq + wr_.intReq, rd_.intBytes + wr_.intBytes, rd_.intSucc + wr_.intSucc,
                           rd_.intAbrt + wr_.intAbrt, value(rd_.open) + value(wr_.open),
                           value(rd_.wait) + value(wr_.wait));
        for (const Direction* d : {&rd_, &wr_})
            write_ioopen_group(out, d->intReq, d->intBytes, d->intSucc, d->intAbrt, value(d->open), value(d->wait));
        out << '\n';
        out.end_row();
        for (Direction* d : {&rd_, &wr_}) {
            d->intReq = 0;
            d->intBytes = 0;
            d->intSucc = 0;
            d->intAbrt = 0;
        }
    }
    if (!root_->par("simDone").boolValue())
        scheduleAt(simTime() + ioOpenPeriod_, new cMessage("NEXT_STAT", NEXT_STAT, 0));
}

void LunController::write_ioopen_header(std::ostream& out)
{
    out << field(18) << "SimTime(ms)" << field(65) << "[LUN_IO - Total]" << field(65) << "[LUN_IO - SCSI_READ]"
        << field(65) << "[LUN_IO - SCSI_WRITE]" << '\n';
    out << field(18) << " ";
    for (int i = 0; i < 3; ++i)
        out << field(10) << "IoReq" << field(12) << "IoSiz(KB)" << field(10) << "IoSucc" << field(10) << "IoAbrt"
            << field(10) << "IoOpen" << field(13) << "IoWait";
    out << '\n' << std::string(213, '-') << '\n';
}

void LunController::write_ioopen_group(std::ostream& out, long req, uint64_t bytes, long succ, long abrt, long open,
                                       long wait)
{
    const double avgKB = req ? static_cast<double>(bytes) / (static_cast<double>(req) * 1024) : 0.0;
    out << field(10) << req << std::setprecision(3) << field(12) << avgKB << field(10) << succ << field(10) << abrt
        << field(10) << open << field(13) << wait;
}

// ---- ".LunConf" ---------------------------------------------------------------------

void LunController::write_lunconf_file()
{
    const std::string path = output_path(root_, "lunConfDir", device_path(), ("." + lunWwn_ + ".LunConf").c_str());
    OutputStream out = open_output_file(this, path, true);
    out << std::setprecision(6);
    out << "LUN Configuration for " << device_path() << "." << lunWwn_ << '\n';
    out << std::string(RULE, '=') << '\n' << "General Configuration: " << '\n' << std::string(RULE, '-') << '\n';
    out << field(10) << "LUN_ID" << field(10) << "DSK_NUM" << field(15) << "BLK_SIZE(B)" << field(15) << "CON_CURR_IO"
        << field(15) << "STR_DPTH(B)" << field(15) << "LUN_CAP(GB)" << field(15) << "LUN_BLK_NUM" << '\n';
    out << field(10) << lunId_ << field(10) << dskNum_ << field(15) << blkSize_ << field(15) << conCurrLunIo_
        << field(15) << strDpth_ << field(15) << lunCapGB_ << field(15) << lunBlkNum_ << '\n';
    write_lunconf_disks(out, "Primary Disks: ", priDisks_);
    write_lunconf_disks(out, "Mirrored Disks: ", mirDisks_);
    out << std::string(RULE, '=') << '\n';
    out.finish();
}

void LunController::write_lunconf_disks(std::ostream& out, const char* title, const std::vector<DiskAttr>& disks)
{
    out << std::string(RULE, '=') << '\n' << title << '\n' << std::string(RULE, '-') << '\n';
    out << field(10) << "Idx" << field(10) << "AcpId" << field(10) << "GrpId" << field(10) << "DskId" << field(15)
        << "MaxCap(GB)" << field(15) << "LunCap(GB)" << field(15) << "LunDskBlkNum" << '\n';
    for (size_t n = 0; n < disks.size(); ++n) {
        const DiskAttr& d = disks[n];
        out << field(10) << n;
        if (d.present())
            out << field(10) << d.acpId << field(10) << d.grpId << field(10) << d.dskId << field(15) << d.maxCapGB
                << field(15) << d.lunCapGB << field(15) << d.lunDskBlkNum;
        else
            out << field(10) << "-" << field(10) << "-" << field(10) << "-" << field(15) << "-" << field(15) << "-"
                << field(15) << "-";
        out << '\n';
    }
}

// ---- "GlobalLUNs.tmp" ---------------------------------------------------------------

void LunController::verify_global_lun()
{
    const std::string path = std::string(root_->par("progDataDir").stringValue()) + "GlobalLUNs.tmp";
    cPar& isNew = root_->par("globalLunsFileNew");
    std::ios::openmode mode = std::ios::app;
    if (isNew.boolValue()) {
        isNew.setBoolValue(false);
        mode = std::ios::trunc;
    } else {
        std::ifstream in = open_input_file(this, path, "---> Couldn't open file \"GlobalLUNs.tmp\" for read");
        std::string wwn, devicePath;
        double capGB = 0;
        int matches = 0;
        while (in >> wwn >> capGB >> devicePath) {
            if (wwn != lunWwn_)
                continue;
            if (++matches > 1)
                error("---> LUN_WWN [%s] setup incorrect : this LUN was found being setup in more than 2 disk arrays. "
                      "For remote mirroring or data replica applications, please setup a given LUN_WWN in at most 2 "
                      "separate disk arrays",
                      lunWwn_.c_str());
            if (static_cast<long long>(capGB * 1024) != static_cast<long long>(lunCapGB_ * 1024))
                warnings(LogKind::WARNING, "Both " + device_path() + " and " + devicePath + " have setup LUN_WWN[" +
                                               lunWwn_ + "] but their capacities do not match.");
        }
    }
    OutputStream out(this, path, std::ios::out | mode);
    if (!out)
        error("---> Couldn't open file \"GlobalLUNs.tmp\" for write: %s", out.openFailure().c_str());
    // Every digit, so that a partner with the same capacity reads back the
    // same whole number of MB.
    out << lunWwn_ << " " << std::setprecision(17) << lunCapGB_ << " " << device_path() << '\n';
    out.finish();
}

// ---- Logs ------------------------------------------------------------------------------

void LunController::warnings(LogKind kind, const std::string& text)
{
    ::warnings(this, kind, text, OpenFailText::QUOTED);
}

void LunController::iofail(unsigned ioId, const char* event)
{
    ::iofail(this, "SIdx", {"LUN_IO", -1, -1, static_cast<long>(ioId), event});
}
