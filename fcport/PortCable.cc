#include "fcport/PortCable.h"

#include <algorithm>

#include "device/ConfigFileReader.h"
#include "fcport/PortCodes.h"
#include "fcport/PortSection.h"
#include "network/RootModule.h"
#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

cGate* link_out(cModule* port)
{
    return port->findGate("link_out") >= 0 ? port->gate("link_out") : nullptr;
}

// The port compound whose receiver a route ends at.
cModule* port_of_receiver(const cGate* end)
{
    cModule* fc1 = end ? end->ownerModule()->parentModule() : nullptr;
    return fc1 ? fc1->parentModule() : nullptr;
}

// A cable as the connections built it: the port at its far end (null when
// there is none with a way back) and the seconds there and back, the sum of
// the channel delays along both ways.
struct PortCable {
    cModule* farPort = nullptr;
    double roundTrip = 0;
};

PortCable cable_of(cModule* port)
{
    PortCable cable;
    cGate* out = link_out(port);
    double there = 0;
    cModule* far = out ? port_of_receiver(out->route(there)) : nullptr;
    cGate* back = far ? link_out(far) : nullptr;
    double backAgain = 0;
    if (back && back->route(backAgain)) {
        cable.farPort = far;
        cable.roundTrip = there + backAgain;
    }
    return cable;
}

bool has_read_its_row(cModule* port)
{
    return port->hasPar("rtTov") && port->hasPar("maxPortSpeed");
}

// One primitive sequence on a line at the lower speed of its two ends.
double sequence_line_time(cModule* a, cModule* b)
{
    const long code = std::min(a->par("maxPortSpeed").longValue(), b->par("maxPortSpeed").longValue());
    return PRIMITIVE_SEQUENCE_BYTES * BITS_PER_BYTE_ON_LINE / port_speed_baud(code);
}

void refuse_end(const cModule* reader, cModule* port, const cModule* farPort, double roundTrip, double lineTime)
{
    const double rtTovMs = port->par("rtTov").doubleValue();
    if (rtTovMs / 1000.0 > roundTrip + lineTime)
        return;
    const PortLocation loc = locate_port(port);
    ConfigRow row;
    {
        ConfigFileReader file(reader, loc.confFile);
        find_port_row(file, loc, false, row);
    }
    const long lightSpeed = find_root(reader)->par("light_speed").longValue();
    reader->error("%sR_T_TOV %g ms (line %ld) runs out before an answer can cross the cable from %s to %s and back: "
                  "%g km at light_speed %ld km/s is a round trip of %.6f ms, and the answering primitive sequence "
                  "takes %.6f ms more on the line. Please choose 100 for 100ms. Please check section [2] of the file "
                  "\"%s\"",
                  port_row_prefix(loc, row).c_str(), rtTovMs, row.lineNumber(), port->fullPath().c_str(),
                  farPort->fullPath().c_str(), roundTrip / 2 * static_cast<double>(lightSpeed), lightSpeed,
                  roundTrip * 1000, lineTime * 1000, loc.confFile.c_str());
}

} // namespace

void refuse_rttov_within_round_trip(const cModule* reader, cModule* port)
{
    const PortCable cable = cable_of(port);
    if (!cable.farPort)
        return;
    const bool farRead = has_read_its_row(cable.farPort);
    const double lineTime = sequence_line_time(port, farRead ? cable.farPort : port);
    refuse_end(reader, port, cable.farPort, cable.roundTrip, lineTime);
    if (farRead)
        refuse_end(reader, cable.farPort, port, cable.roundTrip, lineTime);
}
