#include "fcport/EeStatTable.h"

#include <iomanip>

#include "device/OutputFile.h"
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
        out << field(width) << 0;
    else
        out << std::setprecision(3) << field(width) << sum / static_cast<double>(frames) * scale;
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
    out << field(18) << "SimTime(ms)" << field(12) << "ExchNew" << field(12) << "ExchCom" << field(12) << "FrmRcvd"
        << field(15) << "EeLat(us)" << field(15) << "FrmLen(KB)" << field(18) << "ThruPut(MBps)" << field(15)
        << "NetDly(us)" << field(27) << "NetPath(Domain_IDs)" << '\n'
        << std::string(144, '-') << '\n';
}

void write_eestat_row(std::ostream& out, const EeStatTable& t, double nowSeconds, double periodSeconds, bool routeKnown)
{
    out << std::setprecision(4) << field(18) << nowSeconds * 1000 << field(12) << t.exchNew << field(12) << t.exchCom
        << field(12) << t.frmRcvd;
    average(out, 15, t.eeLatSum, t.frmRcvd, 1e6);
    average(out, 15, static_cast<double>(t.frmLen), t.frmRcvd, 1.0 / 1024);
    out << std::setprecision(6) << field(18) << static_cast<double>(t.frmLen) / 1048576 / periodSeconds;
    average(out, 15, t.netDlySum, t.frmRcvd, 1e6);
    if (routeKnown) {
        for (size_t i = 0; i < t.route.size(); ++i)
            out << (i ? "-->" : "") << t.route[i];
    } else {
        out << "path unavailable";
    }
    out << '\n';
}
