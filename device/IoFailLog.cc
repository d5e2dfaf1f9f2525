#include "device/IoFailLog.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "network/RootModule.h"
#include "sim/cModule.h"

namespace {

std::string number_or_dash(long value)
{
    return value == -1 ? std::string("-") : std::to_string(value);
}

} // namespace

void iofail(const cModule* writer, const char* sioLabel, const IoFailRow& row)
{
    cModule* root = find_root(writer);
    auto header = [sioLabel](std::ostream& out) {
        out << std::setw(10) << "Count" << std::setw(15) << "SimTime(ms)" << std::setw(15) << "IoName" << std::setw(10)
            << "IoIdx" << std::setw(10) << sioLabel << std::setw(10) << "IoId" << std::setw(60) << "Events"
            << std::setw(60) << "Module" << '\n'
            << std::string(190, '-') << '\n';
    };
    OutputStream out =
        open_shared_output(writer, root->par("ioFailFile").stringValue(), root->par("ioFailFileNew"), header);
    cPar& count = root->par("ioFailCnt");
    out << std::setw(10) << count.longValue() << std::setprecision(4) << std::setw(15) << sim_time_ms() << std::setw(15)
        << row.ioName << std::setw(10) << number_or_dash(row.ioIdx) << std::setw(10) << number_or_dash(row.sioIdx)
        << std::setw(10) << number_or_dash(row.ioId) << std::setw(60) << row.event << std::setw(60)
        << writer->fullPath() << '\n';
    out.finish();
    count.setLongValue(count.longValue() + 1);
}
