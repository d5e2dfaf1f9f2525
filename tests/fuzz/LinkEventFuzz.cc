// The link-event reader on any file: every generator of three cables reads
// it at initialisation and accepts its events or stops the run with a
// message; what it accepts comes at finite times, in order.

#include <cmath>
#include <cstdint>

#include "tests/fuzz/FuzzBed.h"

namespace {

// A module at the far end of a cable, only there to be routed to.
class CableEnd : public cSimpleModule {
  public:
    CableEnd(const char* name, cModule* parent) : cSimpleModule(name, parent, 8192) {}
    void activity() override {}
};

// A port compound `kind`[0] of `device` (inside `site` when given), with
// its FC-1 layer holding a link-event generator and a cable end.
cModule* add_port(cModule* root, const char* device, const char* site, const char* kind)
{
    cModule* parent = root;
    if (site) {
        parent = root->submodule(site) ? root->submodule(site) : new cCompoundModule(site, root);
    }
    cModule* dev = new cCompoundModule(device, parent);
    cModule* port = new cCompoundModule(kind, dev);
    port->setIndex(0, 1);
    port->addGate("link_in", 'I');
    port->addGate("link_out", 'O');
    cModule* fc1 = new cCompoundModule("Fc1", port);
    findModuleType("TxEvGenerator")->create("TxEvGen", fc1);
    auto* end = new CableEnd("Tx", fc1);
    end->addGate("link_in", 'I');
    end->addGate("link_out", 'O');
    fc1->addGate("link_in", 'I');
    fc1->addGate("link_out", 'O');
    end->gate("link_out")->connectTo(fc1->gate("link_out"));
    fc1->gate("link_out")->connectTo(port->gate("link_out"));
    port->gate("link_in")->connectTo(fc1->gate("link_in"));
    fc1->gate("link_in")->connectTo(end->gate("link_in"));
    return port;
}

void cable(cModule* a, cModule* b)
{
    a->gate("link_out")->connectTo(b->gate("link_in"));
    b->gate("link_out")->connectTo(a->gate("link_in"));
}

void set_root_parameters(cModule* root, const std::string& eventFile)
{
    root->addPar("linkEventFile").setStringValue(eventFile.c_str());
    root->addPar("linkEvConfFile").setStringValue(fuzz_path("LinkEvConf.txt").c_str());
    root->addPar("maxLinkEv").setLongValue(8);
    root->addPar("minEvInt").setDoubleValue(1000);
    root->addPar("evEndDelay").setDoubleValue(500);
    root->addPar("linkEvConfFileNew").setBoolValue(true);
    root->addPar("lastEvTime").setDoubleValue(0);
    root->addPar("lastEvModId").setLongValue(-1);
    for (const char* flag : {"ioDone", "evEndMsgDone", "evDone", "simDone"})
        root->addPar(flag).setBoolValue(false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string eventFile = write_input("links.txt", data, size);
    cModule* root = new_fuzz_root();
    set_root_parameters(root, eventFile);
    cable(add_port(root, "DevA", nullptr, "NxPort"), add_port(root, "DevB", nullptr, "NxPort"));
    cable(add_port(root, "Host1", nullptr, "NxPort"), add_port(root, "Sw1", nullptr, "SwPort"));
    cable(add_port(root, "Host1", "DataCtr1", "NxPort"), add_port(root, "Sw1", "DataCtr1", "SwPort"));
    try {
        simulation.callInitialize();
        const double last = root->par("lastEvTime").doubleValue();
        if (!std::isfinite(last) || last < 0)
            fuzz_failure("the last link event is not at a finite time after the start");
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
    return 0;
}
