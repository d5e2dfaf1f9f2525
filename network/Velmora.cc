#include "network/Velmora.h"

#include "network/LowMemory.h"
#include "network/MachineList.h"
#include "network/NetworkTestBed.h"
#include "network/RootModule.h"
#include "network/RunLogCheck.h"
#include "sim/cException.h"
#include "sim/cModule.h"
#include "sim/cModuleType.h"
#include "sim/cSimulation.h"

cModule* setup_root(const char* typeName)
{
    MachineList machines;
    machines.add(MachineList::physicalMachine("default"));
    check_memory();
    cModuleType* type = findModuleType(typeName);
    if (!type)
        throwError("Simple module type definition %s not found", typeName);
    if (!machines.isLocal())
        throwError("Local machine `%s' is not among machines specified for this network", MachineList::localHost());
    cModule* root = type->create("Velmora", nullptr);
    simulation.setSystemModule(root);
    // The kernel keeps no machine parameter: the root is placed by the list alone.
    check_memory();

    // State first: a parameter with a value is no longer an input, so
    // "omnetpp.ini" cannot override a first value.
    for (const RootParamDecl& p : root_parameters()) {
        if (p.start == RootParamDecl::INPUT)
            continue;
        if (root->findPar(p.name) < 0)
            throwError("Unknown parameter named %s", p.name);
        if (p.start == RootParamDecl::FIRST_BOOL)
            root->par(p.name).setBoolValue(p.firstValue != 0);
        else
            root->par(p.name).setLongValue(p.firstValue);
    }
    root->readInputParams();
    refuse_logs_on_run_inputs(root);
    // The folder is taken before anything in it is cleared, so that a
    // second run never removes the files of the run that holds it.
    if (auto* bed = dynamic_cast<NetworkTestBed*>(root))
        bed->take_run_folder();
    clear_shared_outputs(root);
    root->buildInside();
    machines.clear();
    check_memory();
    return root;
}

void Velmora::setupNetwork()
{
    setup_root("NetworkTestBed");
}

Define_Network(Velmora, Velmora::setupNetwork);
