#include "device/TimingFile.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "network/RootModule.h"
#include "sim/cModule.h"

namespace {

const std::string rule(65, '-');

void writeHeader(std::ostream& out)
{
    out << std::setw(15) << "Processor" << std::setw(15) << "Target" << std::setw(20) << "TaskName" << std::setw(15)
        << "Timing(us)" << '\n'
        << rule << '\n';
}

} // namespace

void write_timing_file(const cModule* writer, const TimingFileRow* row)
{
    cModule* root = find_root(writer);
    OutputStream out = open_shared_output(writer, root->par("timingFile").stringValue(), root->par("timingFileNew"),
                                          writeHeader, OpenFailText::QUOTED);
    if (!row) {
        out.finish();
        return;
    }
    if (row->firstRow)
        out << std::setw(15) << row->processor << std::setw(15) << row->target;
    else
        out << std::setw(30) << " ";
    out << std::setw(20) << row->taskName << std::setprecision(3) << std::setw(15) << row->timingUs << '\n';
    if (row->lastRow)
        out << rule << '\n';
    out.finish();
}
