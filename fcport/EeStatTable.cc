#include "fcport/EeStatTable.h"

#include <iomanip>

#include "sim/cLinkedList.h"

namespace {

void delete_table(void* item)
{
    delete static_cast<EeStatTable*>(item);
}

// A per-frame average in its column: the integer 0 when no frame came.
void average(std::ostream& out, int width, double sum, long frames, double scale)
{
    if (frames < 1)
        out << std::setw(width) << 0;
    else
        out << std::setw(width) << std::setprecision(3) << sum / static_cast<double>(frames) * scale;
}

} // namespace

void EeStatTable::clear_sums()
{
    exchNew = exchCom = frmRcvd = frmLen = 0;
    netDlySum = eeLatSum = 0;
}

EeStatTable* eestat_table(cLinkedList& queue, std::uint32_t remoteId, std::uint32_t localId)
{
    for (void* item : queue) {
        auto* table = static_cast<EeStatTable*>(item);
        if (table->remoteId == remoteId && table->localId == localId)
            return table;
    }
    auto* table = new EeStatTable;
    table->remoteId = remoteId;
    table->localId = localId;
    queue.insert(table);
    return table;
}

void own_eestat_tables(cLinkedList& queue)
{
    queue.setDeleteFunc(delete_table);
}

std::string eestat_file_name(const EeStatTable& table)
{
    return "From_" + std::to_string(table.remoteId) + "_To_" + std::to_string(table.localId) + ".EeStat";
}

void write_eestat_header(std::ostream& out)
{
    out << std::setw(18) << "SimTime(ms)" << std::setw(12) << "ExchNew" << std::setw(12) << "ExchCom" << std::setw(12)
        << "FrmRcvd" << std::setw(15) << "EeLat(us)" << std::setw(15) << "FrmLen(KB)" << std::setw(18)
        << "ThruPut(MBps)" << std::setw(15) << "NetDly(us)" << std::setw(27) << "NetPath(Domain_IDs)" << '\n'
        << std::string(144, '-') << '\n';
}

void write_eestat_row(std::ostream& out, const EeStatTable& t, double nowSeconds, double periodSeconds, bool routeKnown)
{
    out << std::setw(18) << std::setprecision(4) << nowSeconds * 1000 << std::setw(12) << t.exchNew << std::setw(12)
        << t.exchCom << std::setw(12) << t.frmRcvd;
    average(out, 15, t.eeLatSum, t.frmRcvd, 1e6);
    average(out, 15, static_cast<double>(t.frmLen), t.frmRcvd, 1.0 / 1024);
    out << std::setw(18) << std::setprecision(6) << static_cast<double>(t.frmLen) / 1048576 / periodSeconds;
    average(out, 15, t.netDlySum, t.frmRcvd, 1e6);
    if (routeKnown) {
        for (size_t i = 0; i < t.route.size(); ++i)
            out << (i ? "-->" : "") << t.route[i];
    } else {
        out << "path unavailable";
    }
    out << '\n';
}
