// The initiator's statistics files: ".IoOpen" (periodic I/O counts of the
// device), ".PathTbl" (the path tables at each change of a LUN's active
// path), ".ActvPath" (one row per such change), ".IoResp" (one row per
// finished read or write, in I/O order) and the run's shared
// "ScsiInitiator.Finish". Writing an ".IoResp" row also counts the I/O as
// finished for the whole run.

#include <iomanip>

#include "device/OutputFile.h"
#include "host/IoPhase.h"
#include "host/ScsiLayer.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

namespace {

std::string rule(int n, char c)
{
    return std::string(n, c);
}

} // namespace

// ---- .IoOpen ------------------------------------------------------------------------------

void ScsiLayer::write_file_ioopen()
{
    if (nextIoIdx_ > 0) {
        if (!ioOpenFile_.is_open()) {
            ioOpenFile_ = open_output_file(this, output_path(root_, "ioOpenDir", device_->fullPath(), ".IoOpen"), true);
            OutputStream& out = ioOpenFile_;
            out << field(18) << "SimTime(ms)";
            for (const char* group : {"[SCSI Total]", "[SCSI_READ]", "[SCSI_WRITE]"})
                out << field(65) << group;
            out << '\n' << field(18) << " ";
            for (int g = 0; g < 3; ++g)
                out << field(10) << "IoReq" << field(12) << "IoSiz(KB)" << field(10) << "IoSucc" << field(10)
                    << "IoAbrt" << field(10) << "IoOpen" << field(13) << "IoWait";
            out << '\n' << rule(213, '-') << '\n';
        }
        OutputStream& out = ioOpenFile_;
        IoStatCounters total;
        total.reqInt = rdStat_.reqInt + wrStat_.reqInt;
        total.sizeInt = rdStat_.sizeInt + wrStat_.sizeInt;
        total.succInt = rdStat_.succInt + wrStat_.succInt;
        total.abrtInt = rdStat_.abrtInt + wrStat_.abrtInt;
        total.open = rdStat_.open + wrStat_.open;
        total.wait = rdStat_.wait + wrStat_.wait;
        out << std::setprecision(4) << field(18) << sim_time_ms();
        for (const IoStatCounters* stat : {&total, &rdStat_, &wrStat_}) {
            const double sizeKb = stat->reqInt < 1 ? 0.0 : static_cast<double>(stat->sizeInt) / (stat->reqInt * 1024.0);
            out << field(10) << stat->reqInt << std::setprecision(3) << field(12) << sizeKb << field(10)
                << stat->succInt << field(10) << stat->abrtInt << field(10) << stat->open << field(13) << stat->wait;
        }
        out << '\n';
        out.end_row();
        for (IoStatCounters* stat : {&rdStat_, &wrStat_}) {
            stat->reqInt = 0;
            stat->sizeInt = 0;
            stat->succInt = 0;
            stat->abrtInt = 0;
        }
    }
    if (!simDone_->boolValue())
        scheduleAt(simTime() + ioOpenScale_, new cMessage("NEXT_STAT", NEXT_STAT, 0));
}

// ---- .PathTbl and .ActvPath -----------------------------------------------------------------

void ScsiLayer::write_file_pt(const std::string& lunWwn)
{
    const std::string path = output_path(root_, "pathTblDir", device_->fullPath(), ".PathTbl");
    if (!pathTblFile_.is_open()) {
        pathTblFile_ = open_output_file(this, path, true);
        pathTblFile_ << "Updating Path Tables for " << device_->fullPath() << " ...... \n\n";
    }
    OutputStream& out = pathTblFile_;
    out << "SimTime ---> " << std::setprecision(4) << sim_time_ms() << " ms ...... "
        << "LUN_WWN [" << lunWwn << "] requests updating the path tables ...... \n"
        << rule(53, '=') << '\n';
    if (openPathNum_ == 0) {
        out << "All paths are down. No SCSI IOs can be issued !!!\n";
    } else {
        bool first = true;
        for (const LunPathTable& pt : lunPaths_) {
            if (!pt.open)
                continue;
            if (!first)
                out << rule(53, '=') << '\n';
            first = false;
            out << field(12) << "IniAddr" << field(12) << "TarAddr" << field(10) << "MaxSio" << field(13) << "RecTov(s)"
                << field(8) << "Active" << '\n';
            out << field(12) << pt.iniAddrId << field(12) << pt.tarAddrId << field(10) << pt.maxSio
                << std::setprecision(3) << field(13) << pt.recTov << field(8) << (pt.active ? "Y" : "N") << '\n';
            out << rule(53, '-') << '\n';
            out << field(15) << "LUN_WWN" << field(10) << "LUN_ID" << field(8) << "Active" << '\n';
            for (const TarLunTable& lun : pt.tarLuns)
                out << field(15) << lun.lunWwn << field(10) << lun.lunId << field(8) << (lun.active ? "Y" : "N")
                    << '\n';
        }
    }
    out << rule(53, '=') << "\n\n\n";
    out.end_row();
}

void ScsiLayer::create_file_lunpt()
{
    actvPathFile_ = open_output_file(this, output_path(root_, "actvPathDir", fullPath(), ".ActvPath"), true);
    actvPathFile_ << "Recording active paths for " << fullPath() << " ...... \n\n"
                  << field(15) << "SimTime(ms)" << field(10) << "LUN_WWN" << field(14) << "INI_AddrID" << field(14)
                  << "TAR_AddrID" << '\n'
                  << rule(54, '-') << '\n';
    actvPathFile_.end_row();
}

void ScsiLayer::write_actv_path_row(const std::string& lunWwn, const LunPathTable* winner)
{
    if (!actvPathFile_.is_open())
        create_file_lunpt();
    actvPathFile_ << std::setprecision(4) << field(15) << sim_time_ms() << field(10) << lunWwn << field(14)
                  << (winner ? winner->iniAddrId : 0) << (winner ? winner->tarAddrId : 0) << '\n';
    actvPathFile_.end_row();
}

// ---- .IoResp ------------------------------------------------------------------------------

void ScsiLayer::write_file_ioresp(const IoTable* io)
{
    if (io->cmdCode != SCSI_READ && io->cmdCode != SCSI_WRITE)
        error("---> write_file_ioresp : Expected only SCSI_READ or SCSI_WRITE for writing IoResp file");
    OutputStream& out = ioRespFile_;
    // The header goes in with the opening, so that a file whose I/O 0 is
    // still open at the end has one above the rows written then.
    if (!ioRespFile_.is_open()) {
        ioRespFile_ = open_output_file(this, output_path(root_, "ioRespDir", fullPath(), ".IoResp"), true);
        out << field(11) << "IoIndex" << field(15) << "IniTime(ms)" << field(15) << "Elapsed(ms)" << field(15)
            << "IoSize(KB)" << field(8) << "GenID" << field(9) << "Flag" << field(14) << "INI_AddrID" << field(14)
            << "TAR_AddrID" << field(15) << "LUN_WWN" << field(15) << "BlkAddr" << '\n'
            << rule(130, '-') << '\n';
    }

    IoRtRec rec;
    rec.iniAddrId = io->iniAddrId;
    rec.tarAddrId = io->tarAddrId;
    rec.ioIdx = io->ioIdx;
    rec.cmdCode = io->cmdCode;
    rec.dataLen = io->dataLen;
    rec.blkAddr = io->blkAddr;
    rec.sTime = io->sTime;
    rec.eTime = io->eTime;
    rec.ioGenId = io->ioGenId;
    rec.lunWwn = io->lunWwn;
    rec.aborted = io->aborted;
    ioRespQue_.emplace(rec.ioIdx, rec);
    // Rows go strictly in I/O order: those that finished early wait.
    for (auto next = ioRespQue_.find(nextRespIdx_); next != ioRespQue_.end(); next = ioRespQue_.find(nextRespIdx_)) {
        print_iort_record(next->second);
        write_resp_row(out, next->second);
        ioRespQue_.erase(next);
        count_finished_io();
    }
    out.end_row();
}

// A run that ends with I/Os still open (a time limit, say) leaves the rows of
// those that finished after them waiting: they are written in I/O order, and
// an I/O still open has none.
void ScsiLayer::write_waiting_resp_rows()
{
    if (ioRespQue_.empty())
        return;
    for (const auto& waiting : ioRespQue_)
        write_resp_row(ioRespFile_, waiting.second);
    ioRespQue_.clear();
    ioRespFile_.end_row();
}

void ScsiLayer::write_resp_row(std::ostream& out, const IoRtRec& rec)
{
    out << field(11) << rec.ioIdx << std::setprecision(4) << field(15) << rec.sTime * 1000.0;
    if (rec.aborted)
        out << field(15) << "-";
    else
        out << field(15) << (rec.eTime - rec.sTime) * 1000.0;
    out << std::setprecision(3) << field(15) << rec.dataLen / 1024.0 << field(8) << rec.ioGenId << field(9)
        << (rec.cmdCode == SCSI_READ ? "Rd" : "Wr") << field(14) << rec.iniAddrId << field(14) << rec.tarAddrId
        << field(15) << rec.lunWwn << field(15) << rec.blkAddr << '\n';
}

void ScsiLayer::print_iort_record(const IoRtRec& rec)
{
    EV << "IoRtRec " << rec.ioIdx << " [" << (rec.cmdCode == SCSI_READ ? "Rd" : "Wr") << "] " << rec.lunWwn
       << (rec.aborted ? " aborted" : "") << "\n";
}

void ScsiLayer::count_finished_io()
{
    ++nextRespIdx_;
    cPar& comp = root_->par("netIoComp");
    comp.setLongValue(comp.longValue() + 1);
    if (comp.longValue() != root_->par("netIoNum").longValue())
        return;
    end_io_phase(this, root_);
}

// ---- ScsiInitiator.Finish -----------------------------------------------------------------

void ScsiLayer::write_scsi_finish()
{
    add_initiator_totals(root_, {rdStat_.req + wrStat_.req, rdStat_.succ + wrStat_.succ, rdStat_.abrt + wrStat_.abrt});
    const std::string path = output_path(root_, "finishDir", FinishFile::SCSI_INITIATOR, ".Finish");
    OutputStream out = open_shared_output(this, path, root_->par("scsiIniFinishFileNew"), nullptr);
    if (nextIoIdx_ == 0) {
        out.finish();
        return;
    }
    auto pair = [&](const char* rd, long rdValue, const char* wr, long wrValue) {
        out << std::setw(25) << rd << ": " << rdValue << '\n' << std::setw(25) << wr << ": " << wrValue << '\n';
    };
    out << fullPath() << '\n' << rule(40, '=') << '\n';
    pair("SCSI_READ IO Reqs", rdStat_.req, "SCSI_WRITE IO Reqs", wrStat_.req);
    out << rule(40, '-') << '\n';
    pair("SCSI_READ IOs succ", rdStat_.succ, "SCSI_WRITE IOs succ", wrStat_.succ);
    out << rule(40, '-') << '\n';
    pair("SCSI_READ IOs abrt", rdStat_.abrt, "SCSI_WRITE IOs abrt", wrStat_.abrt);
    out << rule(40, '-') << '\n';
    pair("SCSI_READ IOs open", rdStat_.open, "SCSI_WRITE IOs open", wrStat_.open);
    out << rule(40, '-') << '\n';
    pair("SCSI_READ IOs wait", rdStat_.wait, "SCSI_WRITE IOs wait", wrStat_.wait);
    out << rule(40, '=') << "\n\n\n";
    out.finish();
}
