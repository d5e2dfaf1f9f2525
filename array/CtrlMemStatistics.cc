// The control memory's statistics: processor utilisation, cache statistics
// per LUN, the flush and clean rows and the two summary files of the run.
#include <iomanip>

#include "array/CtrlMemProcessor.h"
#include "device/OutputFile.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

namespace {

const char* const cchStatLabels[CACHE_COUNTER_NUM] = {"Rd_Req",  "Rd_Hit",   "Rd_Miss",  "PhyRdReq", "PhyRdCom",
                                                      "Wr_Req",  "WrSmStat", "WrSmActv", "PhyWrReq", "PhyWrCom",
                                                      "SpbByRd", "SpbByWr",  "ApbByWr"};

cModule* lun_controller(const cModule* cmc, int i)
{
    return cmc->submodule("LunCtrl", i);
}

bool lun_in_use(const cModule* cmc, int i)
{
    const cModule* ctrl = lun_controller(cmc, i);
    return ctrl && const_cast<cModule*>(ctrl)->par("inUse").boolValue();
}

std::string lun_wwn(const cModule* cmc, int i)
{
    cModule* ctrl = lun_controller(cmc, i);
    return ctrl->par("lunWwn").stringValue();
}

} // namespace

void CtrlMemProcessor::create_cpu_util()
{
    std::vector<std::string> labels;
    for (int i = 0; i < settings_.arrLunNum; ++i)
        labels.push_back("LUN[" + std::to_string(i) + "]");
    labels.push_back("Caching");
    utilFile_.create(output_path(root_, "cpuUtilDir", cmc_->fullPath(), ".CpuUtil"), labels, {});
}

void CtrlMemProcessor::write_cpu_util()
{
    if (requests_.busy() && busyIdx_ >= 0) {
        busyTime_[busyIdx_] += simTime() - taskStart_;
        taskStart_ = simTime();
    }
    utilFile_.write_row(cpuPeriod_, busyTime_, {});
    busyTime_.assign(busyTime_.size(), 0.0);
    if (!run_is_over())
        scheduleAt(simTime() + cpuPeriod_, new cMessage("NEXT_CPU_UTIL", NEXT_CPU_UTIL, 0));
}

void CtrlMemProcessor::init_cchstat_files()
{
    for (int i = 1; i < luns_.size(); ++i) {
        if (!lun_in_use(cmc_, i))
            continue;
        LunEntry& lun = luns_.at(i);
        lun.statFile = open_output_file(
            this, output_path(root_, "ctrlMemDir", cmc_->fullPath() + "." + lun_wwn(cmc_, i), ".CchStat"), true);
        lun.statOpen = true;
        lun.statFile << field(15) << "SimTime(ms)";
        for (const char* label : cchStatLabels)
            lun.statFile << field(11) << label;
        lun.statFile << '\n' << std::string(158, '-') << '\n';
        lun.statFile.end_row();
    }
}

void CtrlMemProcessor::write_cchstat_files()
{
    for (int i = 1; i < luns_.size(); ++i) {
        if (!lun_in_use(cmc_, i))
            continue;
        LunEntry& lun = luns_.at(i);
        if (!lun.statOpen)
            error("---> write_cchstat_files : file cannot open for LUN_ID: %d", i);
        lun.statFile << std::setprecision(4) << field(15) << sim_time_ms();
        for (long value : lun.interval)
            lun.statFile << field(11) << value;
        lun.statFile << '\n';
        lun.statFile.end_row();
        lun.interval.fill(0);
    }
    if (!run_is_over())
        scheduleAt(simTime() + statPeriod_, new cMessage("NEXT_STAT", NEXT_STAT, 0));
}

void CtrlMemProcessor::create_cchupd_file()
{
    updFile_ = open_output_file(this, output_path(root_, "ctrlMemDir", cmc_->fullPath(), ".CchUpd"), true);
    for (const char* label : {"SimTime(ms)", "L_Total(ms)", "T_Total(ms)", "T_Surp(ms)", "L_AveRsp(ms)"})
        updFile_ << field(15) << label;
    for (const char* label : {"L_PhyRd", "L_RdRtn", "L_PhyWr", "L_PhyF", "L_PhyNF", "L_WrRtn", "C_DtyCch", "C_DtyBlk",
                              "C_DtyAtvB", "C_DtySizR", "C_FreSizR", "F_MaxBlk", "F_RealBlk"})
        updFile_ << field(11) << label;
    updFile_ << '\n' << std::string(218, '-') << '\n';
    updFile_.end_row();
}

void CtrlMemProcessor::ctrl_mem_stat()
{
    const long returned = L_WrRtn + L_RdRtn;
    const double aveRsp = returned < 1 ? 0 : L_RspSum / static_cast<double>(returned);
    updFile_ << std::setprecision(4) << field(15) << sim_time_ms() << field(15) << L_RspSum * 1000 << field(15)
             << T_Total * 1000 << field(15) << T_Surp * 1000 << field(15) << aveRsp * 1000;
    for (long v : {L_PhyRd, L_RdRtn, L_PhyWr, L_PhyF, L_PhyNF, L_WrRtn, cache_.dirtyBlocks, cache_.dirtyCopies,
                   cache_.wrBakCopies})
        updFile_ << field(11) << v;
    updFile_ << std::setprecision(3) << field(11) << cache_.dirtyRatio() << field(11) << cache_.freeRatio() << field(11)
             << F_MaxBlk << field(11) << F_RealBlk << '\n';
    updFile_.end_row();
}

void CtrlMemProcessor::create_cchcln_file()
{
    clnFile_ = open_output_file(this, output_path(root_, "ctrlMemDir", cmc_->fullPath(), ".CchCln"), true);
    for (const char* label : {"SimTime(ms)", "CchHitR", "CchOpyR", "Cln_total", "Cln_wrbak"})
        clnFile_ << field(15) << label;
    clnFile_ << '\n' << std::string(75, '-') << '\n';
    clnFile_.end_row();
}

void CtrlMemProcessor::write_cchcln_file(double hitRatio, double occupancy)
{
    clnFile_ << std::setprecision(4) << field(15) << sim_time_ms() << std::setprecision(3) << field(15) << hitRatio
             << field(15) << occupancy << field(15) << Cln_total << field(15) << Cln_wrbak << '\n';
    clnFile_.end_row();
}

std::vector<int> CtrlMemProcessor::listed_luns() const
{
    std::vector<int> listed;
    for (int i = 0; i < luns_.size(); ++i)
        if (const_cast<LunTable&>(luns_).at(i).statFile.is_open())
            listed.push_back(i);
    return listed;
}

void CtrlMemProcessor::write_finish_frame(std::ostream& out, char c, const std::vector<int>& luns) const
{
    out << std::string(35 + 15 * luns.size(), c) << '\n';
}

// The owner's path, then the column heads: "Total" and each listed LUN's name.
void CtrlMemProcessor::write_finish_header(std::ostream& out, const std::string& owner,
                                           const std::vector<int>& luns) const
{
    out << owner << '\n';
    write_finish_frame(out, '=', luns);
    out << std::string(17, ' ') << " | Total";
    for (int i : luns)
        out << field(15) << lun_wwn(cmc_, i);
    out << '\n';
    write_finish_frame(out, '-', luns);
}

void CtrlMemProcessor::write_ctrlmem_finish()
{
    const std::vector<int> listed = listed_luns();
    OutputStream out = open_shared_output(this, output_path(root_, "finishDir", FinishFile::CTRL_MEM_CCH, ".Finish"),
                                          root_->par("ctrlMemFinishFileNew"), [](std::ostream&) {});
    write_finish_header(out, cmc_->fullPath(), listed);
    struct Row {
        const char* label;
        CacheCounter counter;
    };
    const std::vector<std::vector<Row>> groups = {
        {{"Read_Req", RD_REQ},
         {"Read_Hit", RD_HIT},
         {"Read_Miss", RD_MISS},
         {"Phy_Read_Req", PHY_RD_REQ},
         {"Phy_Read_Comp", PHY_RD_COM}},
        {{"Write_Req", WR_REQ},
         {"Write_Same_Static", WR_SM_STAT},
         {"Write_Same_Active", WR_SM_ACTV},
         {"Phy_Write_Back", PHY_WR_REQ},
         {"Phy_Write_Comp", PHY_WR_COM}},
        {{"Static_PbRd_by_Rd", SPB_BY_RD}, {"Static_PbRd_by_Wr", SPB_BY_WR}, {"Active_PbRd_by_Wr", APB_BY_WR}}};
    LunTable& luns = const_cast<LunTable&>(luns_);
    for (size_t g = 0; g < groups.size(); ++g) {
        if (g > 0)
            write_finish_frame(out, '-', listed);
        for (const Row& row : groups[g]) {
            out << std::setw(17) << row.label << " : " << field(15) << luns.total()[row.counter];
            for (int i : listed)
                out << field(15) << luns.at(i).run[row.counter];
            out << '\n';
        }
    }
    write_finish_frame(out, '=', listed);
    out << '\n';
    out.finish();
}

void CtrlMemProcessor::write_lunio_finish()
{
    const std::vector<int> listed = listed_luns();
    OutputStream out = open_shared_output(this, output_path(root_, "finishDir", FinishFile::DEVICE_LUNS, ".Finish"),
                                          root_->par("lunIoFinishFileNew"), [](std::ostream&) {});
    write_finish_header(out, device_->fullPath(), listed);
    const std::vector<std::vector<std::pair<const char*, const char*>>> groups = {{{"LunIo_Read_Req", "rdIoReq"},
                                                                                   {"LunIo_Read_Succ", "rdIoSucc"},
                                                                                   {"LunIo_Read_Abrt", "rdIoAbrt"},
                                                                                   {"LunIo_Read_Open", "rdIoOpen"},
                                                                                   {"LunIo_Read_Wait", "rdIoWait"}},
                                                                                  {{"LunIo_Write_Req", "wrIoReq"},
                                                                                   {"LunIo_Write_Succ", "wrIoSucc"},
                                                                                   {"LunIo_Write_Abrt", "wrIoAbrt"},
                                                                                   {"LunIo_Write_Open", "wrIoOpen"},
                                                                                   {"LunIo_Write_Wait", "wrIoWait"}}};
    for (size_t g = 0; g < groups.size(); ++g) {
        if (g > 0)
            write_finish_frame(out, '-', listed);
        for (const auto& [label, parName] : groups[g]) {
            std::vector<long> values;
            long total = 0;
            for (int i : listed) {
                values.push_back(lun_controller(cmc_, i)->par(parName).longValue());
                total += values.back();
            }
            out << std::setw(17) << label << " : " << field(15) << total;
            for (long v : values)
                out << field(15) << v;
            out << '\n';
        }
    }
    write_finish_frame(out, '=', listed);
    out << '\n';
    out.finish();
}
