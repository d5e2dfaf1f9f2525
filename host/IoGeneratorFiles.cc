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
        out << field(5) << "ID" << field(COLUMN) << "LUN_WWN" << field(COLUMN) << "IoNum" << field(COLUMN)
            << "STime(ms)" << field(COLUMN) << "IoPattern" << '\n'
            << field(5) << t.index << field(COLUMN) << t.LUN_WWN << field(COLUMN) << t.IoNum << field(COLUMN)
            << t.StartTime << field(COLUMN) << t.IoPattern << '\n'
            << rule('-', 120);
        out << " |____ " << field(COLUMN) << "IoPattern" << field(8) << "R/W" << field(COLUMN) << "SizPattern"
            << field(COLUMN) << "BlkPattern" << field(COLUMN) << "GapPattern" << '\n'
            << std::string(7, ' ') << field(COLUMN) << t.IoPattern << field(8) << t.ratio << field(COLUMN)
            << t.size.name << field(COLUMN) << t.block.name << field(COLUMN) << t.gap.name << '\n'
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
    out << indent << field(COLUMN) << label << field(COLUMN) << "RNG_NAME" << field(8) << "RNG#";
    if (p.selfSim) {
        out << field(COLUMN) << "MinGap" << field(COLUMN) << "OnShape" << field(COLUMN) << "OffShape" << field(COLUMN)
            << "Load(IOPS)" << field(8) << "Srcs" << '\n';
    } else {
        out << field(COLUMN) << "Par1" << field(COLUMN) << "Par2" << field(COLUMN) << "Par3" << '\n';
    }
    out << std::string(14, ' ') << field(COLUMN) << p.name << field(COLUMN) << p.dist << field(8) << p.rng;
    if (p.selfSim) {
        out << field(COLUMN) << p.MinGap << field(COLUMN) << p.OnShape << field(COLUMN) << p.OffShape << field(COLUMN)
            << p.Load << field(8) << p.Srcs << '\n';
        return;
    }
    const int used = get_func_parnum(p.dist.c_str());
    const double pars[3] = {p.Par1, p.Par2, p.Par3};
    for (int i = 0; i < 3; ++i) {
        if (i < used)
            out << field(COLUMN) << pars[i];
        else
            out << field(COLUMN) << "xxxxx";
    }
    out << '\n';
}

void IoGenerator::write_wrkload_file(int ioType, unsigned long size, unsigned long blkAddr, IoGenTable* t)
{
    const bool first = t->issued == 0;
    if (!first && !t->workloadFile.is_open())
        error("---> write_wrkload_file : expected file already created");
    OutputStream& out = t->workloadFile;
    if (first) {
        const std::string label = fullPath() + ".Gen[" + std::to_string(t->index) + "]";
        out = open_output_file(this, output_path(root_, "ioGenDir", label, ".IoWrkLoad"), true);
        out << "IO WorkLoad for " << label << "\n\n"
            << field(15) << "SimTime(ms)" << field(11) << "Index" << field(9) << "Flag" << field(15) << "Size(KB)"
            << field(15) << "BlkAddr" << field(10) << "LUN_WWN" << '\n'
            << rule('-', 75);
    }
    out << std::setprecision(4) << field(15) << sim_time_ms() << field(11) << t->issued << field(9)
        << (ioType == SCSI_READ ? "Rd" : "Wr") << std::setprecision(3) << field(15) << size / 1024.0 << field(15)
        << blkAddr << field(10) << t->LUN_WWN << '\n';
    out.end_row();
}

void IoGenerator::create_iogen_file()
{
    if (tables_.empty())
        return;
    const std::string path = output_path(root_, "ioGenDir", fullPath(), ".IoGenStat");
    statFile_ = open_output_file(this, path, true);
    statFile_ << field(15) << "SimTime(ms)";
    for (const IoGenTable& t : tables_)
        statFile_ << std::setw(4) << "Gen[" << std::setw(4) << std::to_string(t.index) + "]" << field(14) << "---";
    statFile_ << field(8) << "Sum" << field(14) << "---" << '\n' << field(15) << " ";
    for (size_t i = 0; i <= tables_.size(); ++i)
        statFile_ << field(8) << "IOs " << field(14) << "Data(MB)";
    statFile_ << '\n' << std::string(15 + 22 * (tables_.size() + 1), '-') << '\n';
    statFile_.end_row();
}

void IoGenerator::write_iogen_file()
{
    statFile_ << std::setprecision(4) << field(15) << sim_time_ms() << std::setprecision(6);
    long sumIos = 0;
    unsigned long sumBytes = 0;
    for (IoGenTable& t : tables_) {
        statFile_ << field(8) << t.rowIos << field(14) << t.rowBytes / 1048576.0;
        sumIos += t.rowIos;
        sumBytes += t.rowBytes;
        t.rowIos = 0;
        t.rowBytes = 0;
    }
    statFile_ << field(8) << sumIos << field(14) << sumBytes / 1048576.0 << '\n';
    statFile_.end_row();
    if (netIoToGen_->longValue() >= 1)
        scheduleAt(simTime() + period_, new cMessage("GEN_STAT", GEN_STAT, 0));
}
