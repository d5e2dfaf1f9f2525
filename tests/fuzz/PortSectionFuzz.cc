// The port reader of section "[2]" on any file, read as a host's, an array's
// and a switch's configuration: each port of the three devices looks for its
// own row, checks it and adds its parameters, or stops the run with a
// message. A port that took its row holds values within their ranges only.

#include <cstdint>
#include <string>
#include <vector>

#include "fcport/PortSection.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

bool one_of(double value, double a, double b)
{
    return value == a || value == b;
}

void check_common(cModule* port)
{
    if (!one_of(static_cast<double>(port->par("maxPortSpeed").longValue()), 1, 2) ||
        !one_of(port->par("rtTov").doubleValue(), 100, 0.1))
        fuzz_failure("a port speed or R_T_TOV out of range was accepted");
    if (port->par("rxBufSize").longValue() < 1 || port->par("txBufSize").longValue() < 0)
        fuzz_failure("a buffer size out of range was accepted");
}

void check_node_port(cModule* port, bool host)
{
    const long sequences = port->par("reqC3ConCurrSeq").longValue();
    if (sequences < 1 || sequences > 255 || port->par("maxSeqTry").longValue() < 1 ||
        port->par("maxEePair").longValue() < 1)
        fuzz_failure("a node port's sequences, tries or peers out of range were accepted");
    if (host && !port->par("fcpIni").boolValue())
        fuzz_failure("a host port that is a target was accepted");
}

// The port's row, read by a controller inside the port as the FC-2
// controller reads it; its checks are looked at once the row was applied,
// whether or not the port's processor model could be loaded after it.
void read_port(cModule* port, int kind)
{
    cModule* reader = fuzz_module("Fc2", port);
    try {
        read_port_section(reader, port);
    } catch (const cRuntimeError&) {
    }
    if (!port->hasPar("fcCtrl"))
        return;
    check_common(port);
    if (kind == PortLocation::SWITCH) {
        if (static_cast<unsigned long>(port->par("areaId").longValue()) > 255)
            fuzz_failure("an Area_ID out of range was accepted");
    } else {
        check_node_port(port, kind == PortLocation::HOST);
    }
}

cModule* configured(const char* name, cModule* parent, const std::string& file)
{
    cModule* dev = fuzz_module(name, parent);
    dev->addPar("confFile").setStringValue(file.c_str());
    return dev;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = write_input("device.conf", data, size);
    cModule* root = new_fuzz_root();
    root->addPar("iniEqName").setLongValue(100000);
    root->addPar("defConCurrSeq").setLongValue(8);
    std::vector<std::pair<cModule*, int>> ports;
    cModule* host = configured("Host1", root, file);
    cModule* array = configured("Dev1", root, file);
    cModule* sw = configured("Sw1", root, file);
    for (int i = 0; i < 2; ++i) {
        ports.push_back({fuzz_module("NxPort", host, i, 2), PortLocation::HOST});
        ports.push_back({fuzz_module("SwPort", sw, i, 2), PortLocation::SWITCH});
        cModule* board = fuzz_module("Chip", array, i, 2);
        for (int p = 0; p < 4; ++p)
            ports.push_back({fuzz_module("NxPort", board, p, 4), PortLocation::ARRAY});
    }
    for (const auto& [port, kind] : ports)
        read_port(port, kind);
    simulation.deleteNetwork();
    return 0;
}
