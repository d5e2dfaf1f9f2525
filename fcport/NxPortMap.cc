#include "fcport/NxPortMap.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "network/RootModule.h"
#include "sim/cGate.h"
#include "sim/cModule.h"

namespace {

void writeHeader(std::ostream& out)
{
    const std::string banner(59, '=');
    out << banner << '\n'
        << "*** Only connected NxPorts will be assigned AddressId ! ***\n"
        << banner << "\n\n"
        << std::setw(7) << "Cnt" << std::setw(13) << "Feature" << std::setw(15) << "AddrId" << std::setw(55)
        << "NxPortFullPath" << std::setw(45) << "FPortFullPath" << '\n'
        << std::string(135, '-') << '\n';
}

} // namespace

cModule* far_end_port(const cModule* port)
{
    cModule* fc1 = port->submodule("Fc1");
    cModule* tx = fc1 ? fc1->submodule("Tx") : nullptr;
    cGate* out = tx ? tx->gate("link_out") : nullptr;
    cGate* dest = out ? out->destinationGate() : nullptr;
    if (!dest || dest == out)
        return nullptr;
    cModule* mod = dest->ownerModule()->parentModule();
    return mod ? mod->parentModule() : nullptr;
}

void write_nx_port_map_row(const cModule* writer, cModule* port, unsigned long addressId)
{
    const cModule* farPort = far_end_port(port);
    if (!farPort)
        writer->error("%s has no link to a far-end port for the N_Port map", port->fullPath().c_str());
    cModule* root = find_root(writer);
    OutputStream out =
        open_shared_output(writer, root->par("nxPortMapFile").stringValue(), root->par("nxPortMapNew"), writeHeader);
    const long count = take_a_number(root, "actvNxPortNum") + 1;
    const bool initiator = port->par("fcpIni").boolValue();
    out << std::setw(7) << count << std::setw(13) << (initiator ? "Initiator" : "Target") << std::setw(15) << addressId
        << std::setw(55) << port->fullPath() << std::setw(45) << farPort->fullPath() << '\n';
    out.finish();
}
