// The LUN-mask reader, section "[2.1]", on any file, read in one run as a
// host's configuration and in another as an array's: the host's SCSI
// initiator, then the remote-mirror initiators of the array's two boards
// (one without initiator ports) set themselves up, reading their rows, or
// stop the run with a message. Every mask entry kept names a LUN once,
// within the table's room, and its preferred ports are node ports.

#include <cstdint>
#include <set>
#include <string>

#include "host/ScsiLayer.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

constexpr int HOST_PORTS = 2;
constexpr int BOARD_PORTS = 4;

void set_longs(cModule* mod, std::initializer_list<std::pair<const char*, long>> values)
{
    for (const auto& [name, value] : values)
        mod->addPar(name).setLongValue(value);
}

void add_processor(const char* name, cModule* device)
{
    cModule* cpu = fuzz_module(name, device);
    cpu->addPar("cpuClock").setDoubleValue(100);
    cpu->addPar("memClock").setDoubleValue(100);
    set_longs(cpu,
              {{"CRE_IT_PATH", 0}, {"RMV_IT_PATH", 0}, {"INI_SCSI_IO", 0}, {"INI_SCSI_SIO", 0}, {"COM_SCSI_IO", 0}});
}

// Node ports with their FC-4 layers, each layer opening two paths; the
// ports from `firstInitiator` on are initiators.
void add_ports(cModule* device, int ports, int firstInitiator)
{
    for (int i = 0; i < ports; ++i) {
        cModule* port = fuzz_module("NxPort", device, i, ports);
        port->addPar("addressId").setLongValue(0x010000 + i);
        port->addPar("fcpIni").setBoolValue(i >= firstInitiator);
        set_longs(fuzz_module("Fc4", device, i, ports), {{"maxFcpPair", 2}});
    }
}

// The boards of an array that the rows name as their preferred targets.
void add_target_boards(cModule* array, int boards, int ports)
{
    for (int c = 0; c < boards; ++c)
        add_ports(fuzz_module("Chip", array, c, boards), ports, ports);
}

ScsiLayer* add_initiator(const char* type, cModule* device)
{
    return static_cast<ScsiLayer*>(findModuleType(type)->create("Scsi", device));
}

void set_root_parameters(cModule* root)
{
    root->addPar("simDone").setBoolValue(true);
    root->addPar("ioOpenTimeScale").setDoubleValue(10);
    root->addPar("progDataDir").setStringValue((fuzz_path("") + "/").c_str());
    root->addPar("ioOpenDir").setStringValue("ioopen/");
    root->addPar("warningsFile").setStringValue(fuzz_path("Warnings.txt").c_str());
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsCnt").setLongValue(0);
}

void check_mask(const ScsiLayer& scsi, cModule* device, cModule* root, int ports)
{
    if (scsi.maskNum() > static_cast<int>(scsi.lunMask().size()))
        fuzz_failure("more mask entries than the table has room for");
    std::set<std::string> names;
    for (int k = 0; k < scsi.maskNum(); ++k) {
        const LunMaskTable& e = scsi.lunMask()[k];
        if (!e.used || e.lunWwn.empty() || e.lunWwn.size() > 16 || !names.insert(e.lunWwn).second)
            fuzz_failure("a mask entry without a LUN name of at most 16 characters, or one named twice, was kept");
        if (e.mask.size() != static_cast<size_t>(ports))
            fuzz_failure("a mask entry's port flags do not match the device's ports");
        for (const auto& [path, base] : {std::pair{e.priIniWwpn, device}, std::pair{e.priTarWwpn, root}}) {
            const cModule* port = path == "-" ? nullptr : base->moduleByRelativePath(path.c_str());
            if (path != "-" && !(port && port->hasPar("addressId")))
                fuzz_failure("a preferred port that is no node port was kept");
        }
    }
}

// The host's initiator reads the file as a host's configuration.
void read_as_host(const std::string& file)
{
    cModule* root = new_fuzz_root();
    set_root_parameters(root);
    cModule* host = fuzz_module("Host1", fuzz_module("DataCtr1", root));
    host->addPar("confFile").setStringValue(file.c_str());
    set_longs(host, {{"maxCtrlIo", 4}, {"maxRdWrIo", 4}, {"maxTarLun", 2}, {"nxPortNum", HOST_PORTS}});
    add_processor("Cpu", host);
    add_ports(host, HOST_PORTS, 0);
    fuzz_module("IoGen", host);
    ScsiLayer* scsi = add_initiator("ScsiLayer", host);
    add_target_boards(fuzz_module("Dev1", root->submodule("DataCtr1")), 2, BOARD_PORTS);
    try {
        simulation.callInitialize();
        simulation.run();
        check_mask(*scsi, host, root, HOST_PORTS);
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
}

// The array's two boards read it as an array's configuration.
void read_as_array(const std::string& file)
{
    cModule* root = new_fuzz_root();
    set_root_parameters(root);
    cModule* array = fuzz_module("Dev1", fuzz_module("DataCtr1", root));
    array->addPar("confFile").setStringValue(file.c_str());
    ScsiLayer* scsi[2];
    for (int c = 0; c < 2; ++c) {
        cModule* board = fuzz_module("Chip", array, c, 2);
        set_longs(board, {{"maxCtrlIo", 4}, {"maxRdWrIo", 4}, {"maxTarLun", 8}, {"nxPortNum", BOARD_PORTS}});
        add_processor("ChipCpu", board);
        add_ports(board, BOARD_PORTS, c == 0 ? BOARD_PORTS : 2);
        scsi[c] = add_initiator("ScsiRmtMirr", board);
    }
    add_target_boards(fuzz_module("Dev3", fuzz_module("DataCtr3", root)), 1, 3);
    try {
        simulation.callInitialize();
        simulation.run();
        for (int c = 0; c < 2; ++c)
            check_mask(*scsi[c], array->submodule("Chip", c), root, BOARD_PORTS);
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = write_input("device.conf", data, size);
    read_as_host(file);
    read_as_array(file);
    return 0;
}
