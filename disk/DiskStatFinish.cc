#include "disk/DiskStatFinish.h"

#include <iomanip>
#include <string>
#include <vector>

#include "device/OutputFile.h"
#include "network/RootModule.h"
#include "sim/cModule.h"
#include "sim/cPar.h"

namespace {

// A per-disk ratio and its group total, both 0 when the divisor is not
// positive.
double ratio(double num, double den)
{
    return den > 0 ? num / den : 0;
}

class FinishTable {
  public:
    FinishTable(std::ostream& out, const std::vector<cModule*>& disks) : out_(out), disks_(disks) {}

    void rule(char c) const
    {
        out_ << std::string(35, c);
        for (size_t i = 0; i < disks_.size(); ++i)
            out_ << std::string(15, c);
        out_ << '\n';
    }
    void title() const
    {
        out_ << field(17) << " "
             << " | " << field(15) << "Total";
        for (cModule* d : disks_)
            out_ << field(15) << d->fullName();
        out_ << '\n';
    }
    void count_row(const char* label, const char* par) const
    {
        long total = 0;
        for (cModule* d : disks_)
            total += d->par(par).longValue();
        out_ << std::setw(17) << label << " : " << field(15) << total;
        for (cModule* d : disks_)
            out_ << field(15) << d->par(par).longValue();
        out_ << '\n';
    }
    void queue_length_row() const
    {
        double lenSum = 0, actSum = 0;
        for (cModule* d : disks_) {
            lenSum += d->par("queLenSum").longValue();
            actSum += d->par("queActCnt").longValue();
        }
        out_ << std::setprecision(2) << field(17) << "Ave_Que_Len"
             << " : " << field(15) << ratio(lenSum, actSum);
        for (cModule* d : disks_)
            out_ << field(15) << ratio(d->par("queLenSum").longValue(), d->par("queActCnt").longValue());
        out_ << '\n';
    }
    void performance_row(long dskSecSiz) const
    {
        out_ << std::setprecision(6) << std::setw(17) << "Performance(MBps)"
             << " : " << field(15) << "-";
        for (cModule* d : disks_) {
            const long completed = d->par("rdSecCom").longValue() + d->par("wrSecCom").longValue();
            const double respSum = d->par("secRespSum").doubleValue();
            const double perf =
                completed > 0 && respSum > 0 ? static_cast<double>(completed) * dskSecSiz / (respSum * 1024 * 1024) : 0;
            out_ << field(15) << perf;
        }
        out_ << '\n';
    }

  private:
    std::ostream& out_;
    const std::vector<cModule*>& disks_;
};

} // namespace

void write_dskstat_finish(const cModule* writer, cModule* root, cModule* group, int diskCount, long dskSecSiz)
{
    std::vector<cModule*> disks;
    for (int i = 0; i < diskCount; ++i)
        disks.push_back(group->submodule("Disk", i));

    const std::string path = std::string(root->par("progDataDir").stringValue()) +
                             root->par("finishDir").stringValue() + FinishFile::DISK_STAT + ".Finish";
    cPar& fileNew = root->par("dskStatFinishFileNew");
    const bool truncate = fileNew.boolValue();
    fileNew.setBoolValue(false);
    OutputStream out = open_output_file(writer, path, truncate);

    FinishTable table(out, disks);
    out << group->fullPath() << '\n';
    table.rule('=');
    table.title();
    table.rule('-');
    table.count_row("Sec_Read_Req", "rdSecReq");
    table.count_row("Sec_Write_Req", "wrSecReq");
    table.rule('-');
    table.count_row("Queue_Actions", "queActCnt");
    table.queue_length_row();
    table.rule('-');
    table.count_row("Sec_Read_Com", "rdSecCom");
    table.count_row("Sec_Write_Com", "wrSecCom");
    table.performance_row(dskSecSiz);
    table.rule('-');
    table.count_row("Zero_Cylinder", "zeroCylMove");
    table.count_row("None_Zero_Cyl", "noneZeroCylMove");
    table.count_row("Head_Switch", "headSwSec");
    table.count_row("Cylinder_Switch", "cylSwSec");
    table.rule('=');
    out << '\n';
    out.finish();
}
