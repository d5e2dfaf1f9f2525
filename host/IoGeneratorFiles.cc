// The generator's files: the dump of its resolved tables, the workload file
// of each stream and the periodic statistics.
#include <iomanip>

#include "device/OutputFile.h"
#include "host/IoGenerator.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

namespace {

constexpr int COLUMN = 15;

std::string rule(char c, size_t n)
{
    return std::string(n, c) + '\n';
}

} // namespace

void IoGenerator::print_iogen_table()
{
    const std::string path = output_path(root_, "ioGenDir", fullPath(), ".IoGenTbl");
    OutputStream out = open_output_file(this, path, true);
    out << std::setprecision(4) << rule('=', 120) << "IO Generation Table for " << fullPath() << '\n' << rule('=', 120);
    for (const IoGenTable& t : tables_) {
        out << std::setw(5) << "ID" << std::setw(COLUMN) << "LUN_WWN" << std::setw(COLUMN) << "IoNum"
            << std::setw(COLUMN) << "STime(ms)" << std::setw(COLUMN) << "IoPattern" << '\n'
            << std::setw(5) << t.index << std::setw(COLUMN) << t.LUN_WWN << std::setw(COLUMN) << t.IoNum
            << std::setw(COLUMN) << t.StartTime << std::setw(COLUMN) << t.IoPattern << '\n'
            << rule('-', 120);
        out << " |____ " << std::setw(COLUMN) << "IoPattern" << std::setw(8) << "R/W" << std::setw(COLUMN)
            << "SizPattern" << std::setw(COLUMN) << "BlkPattern" << std::setw(COLUMN) << "GapPattern" << '\n'
            << std::string(7, ' ') << std::setw(COLUMN) << t.IoPattern << std::setw(8) << t.ratio << std::setw(COLUMN)
            << t.size.name << std::setw(COLUMN) << t.block.name << std::setw(COLUMN) << t.gap.name << '\n'
            << rule('-', 120);
        print_pattern(out, "SizPattern", t.size);
        print_pattern(out, "BlkPattern", t.block);
        print_pattern(out, "GapPattern", t.gap);
    }
    out << rule('=', 120);
    out.finish();
}

void IoGenerator::print_pattern(std::ostream& out, const char* label, const PatternRecord& p)
{
    const char* indent = "        |____ ";
    out << indent << std::setw(COLUMN) << label << std::setw(COLUMN) << "RNG_NAME" << std::setw(8) << "RNG#";
    if (p.selfSim) {
        out << std::setw(COLUMN) << "MinGap" << std::setw(COLUMN) << "OnShape" << std::setw(COLUMN) << "OffShape"
            << std::setw(COLUMN) << "Load(IOPS)" << std::setw(8) << "Srcs" << '\n';
    } else {
        out << std::setw(COLUMN) << "Par1" << std::setw(COLUMN) << "Par2" << std::setw(COLUMN) << "Par3" << '\n';
    }
    out << std::string(14, ' ') << std::setw(COLUMN) << p.name << std::setw(COLUMN) << p.dist << std::setw(8) << p.rng;
    if (p.selfSim) {
        out << std::setw(COLUMN) << p.MinGap << std::setw(COLUMN) << p.OnShape << std::setw(COLUMN) << p.OffShape
            << std::setw(COLUMN) << p.Load << std::setw(8) << p.Srcs << '\n';
        return;
    }
    const int used = get_func_parnum(p.dist.c_str());
    const double pars[3] = {p.Par1, p.Par2, p.Par3};
    for (int i = 0; i < 3; ++i) {
        out << std::setw(COLUMN);
        if (i < used)
            out << pars[i];
        else
            out << "xxxxx";
    }
    out << '\n';
}

void IoGenerator::write_wrkload_file(int ioType, unsigned long size, unsigned long blkAddr, IoGenTable* t)
{
    const std::string label = fullPath() + ".Gen[" + std::to_string(t->index) + "]";
    const std::string path = output_path(root_, "ioGenDir", label, ".IoWrkLoad");
    const bool first = t->issued == 0;
    if (!first && !t->workloadFile.is_open())
        error("---> write_wrkload_file : expected file already created");
    OutputStream& out = t->workloadFile;
    if (first) {
        out = open_output_file(this, path, true);
        out << "IO WorkLoad for " << label << "\n\n"
            << std::setw(15) << "SimTime(ms)" << std::setw(11) << "Index" << std::setw(9) << "Flag" << std::setw(15)
            << "Size(KB)" << std::setw(15) << "BlkAddr" << std::setw(10) << "LUN_WWN" << '\n'
            << rule('-', 75);
    }
    out << std::setprecision(4) << std::setw(15) << sim_time_ms() << std::setw(11) << t->issued << std::setw(9)
        << (ioType == SCSI_READ ? "Rd" : "Wr") << std::setprecision(3) << std::setw(15) << size / 1024.0
        << std::setw(15) << blkAddr << std::setw(10) << t->LUN_WWN << '\n';
    out.end_row();
}

void IoGenerator::create_iogen_file()
{
    if (tables_.empty())
        return;
    const std::string path = output_path(root_, "ioGenDir", fullPath(), ".IoGenStat");
    statFile_ = open_output_file(this, path, true);
    statFile_ << std::setw(15) << "SimTime(ms)";
    for (const IoGenTable& t : tables_)
        statFile_ << std::setw(4) << "Gen[" << std::setw(4) << std::to_string(t.index) + "]" << std::setw(14) << "---";
    statFile_ << std::setw(8) << "Sum" << std::setw(14) << "---" << '\n' << std::setw(15) << " ";
    for (size_t i = 0; i <= tables_.size(); ++i)
        statFile_ << std::setw(8) << "IOs " << std::setw(14) << "Data(MB)";
    statFile_ << '\n' << std::string(15 + 22 * (tables_.size() + 1), '-') << '\n';
    statFile_.end_row();
}

void IoGenerator::write_iogen_file()
{
    statFile_ << std::setprecision(4) << std::setw(15) << sim_time_ms() << std::setprecision(6);
    long sumIos = 0;
    unsigned long sumBytes = 0;
    for (IoGenTable& t : tables_) {
        statFile_ << std::setw(8) << t.rowIos << std::setw(14) << t.rowBytes / 1048576.0;
        sumIos += t.rowIos;
        sumBytes += t.rowBytes;
        t.rowIos = 0;
        t.rowBytes = 0;
    }
    statFile_ << std::setw(8) << sumIos << std::setw(14) << sumBytes / 1048576.0 << '\n';
    statFile_.end_row();
    if (netIoToGen_->longValue() >= 1)
        scheduleAt(simTime() + period_, new cMessage("GEN_STAT", GEN_STAT, 0));
}
