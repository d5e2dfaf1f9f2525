#include "sim/cModuleType.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "sim/cModule.h"
#include "sim/cSimulation.h"

cRegistry<cModuleInterface> modinterfaces("Module interface");
cRegistry<cModuleType> modtypes("Module type");
cRegistry<cNetworkType> networks("Network");

namespace {

std::vector<std::pair<std::string, std::string>>& substitutions()
{
    static std::vector<std::pair<std::string, std::string>> list;
    return list;
}

} // namespace

ModuleTypeSubstitution::ModuleTypeSubstitution(const char* name, const char* by)
{
    substitutions().emplace_back(name, by);
}

ModuleTypeSubstitution::~ModuleTypeSubstitution()
{
    substitutions().pop_back();
}

cModuleType* findModuleType(const char* name)
{
    const auto& list = substitutions();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->first == name)
            return modtypes.find(it->second.c_str());
    return modtypes.find(name);
}

cNetworkType* findNetwork(const char* name)
{
    return networks.find(name);
}

cModuleInterface::cModuleInterface(const char* name, const sDescrItem* items) : cObject(name)
{
    for (const sDescrItem* it = items; it->kind != 'E'; ++it) {
        switch (it->kind) {
        case 'M': machines_.push_back(it->name); break;
        case 'P': params_.push_back(ParamDecl{it->name, it->types ? it->types : ""}); break;
        case 'G': {
            std::string gate = it->name;
            bool isVector = gate.size() > 2 && gate.compare(gate.size() - 2, 2, "[]") == 0;
            if (isVector)
                gate.resize(gate.size() - 2);
            gates_.push_back(GateDecl{gate, it->dir, isVector});
            break;
        }
        default: throwError("Bad item kind '%c' in module interface %s", it->kind, name);
        }
    }
}

void cModuleInterface::addParametersGatesTo(cModule* mod) const
{
    for (const ParamDecl& p : params_) {
        cPar& par = mod->addPar(p.name.c_str());
        par.setDeclaredType(p.types.c_str());
        par.setInput(true);
    }
    for (const GateDecl& g : gates_)
        mod->addGate(g.name.c_str(), g.dir, g.isVector);
}

cModuleInterface* cModuleType::moduleInterface() const
{
    return modinterfaces.find(interfaceName_.c_str());
}

cModule* cModuleType::create(const char* name, cModule* parent) const
{
    cModuleInterface* iface = moduleInterface();
    if (!iface)
        throwError("Module interface %s not found", interfaceName_.c_str());
    // The module's constructor makes itself the module in set-up, so that its
    // members are known as its own; the one before is back once it is made.
    cModule::SetUpScope setUp(nullptr);
    cModule* mod = nullptr;
    try {
        mod = factory_(name, parent);
    } catch (const std::bad_alloc&) {
        // Mostly the stacks: every simple module maps one of min-stack-size.
        throw cRuntimeError(
            opp_format("Not enough memory to create the module %s, module %d of the network, each module with a stack "
                       "of min-stack-size = %zu bytes (in [General]): a smaller min-stack-size, or fewer ports, peer "
                       "ports, LUNs or disks in the settings that count them, would fit",
                       name, simulation.lastModuleId() + 2, simulation.minStackSize()),
            parent ? parent->fullPath() : std::string());
    }
    mod->setModuleType(const_cast<cModuleType*>(this));
    iface->addParametersGatesTo(mod);
    return mod;
}

cModule* cModuleType::createScheduleInit(const char* name, cModule* parent) const
{
    cModule* mod = create(name, parent);
    mod->buildInside();
    simulation.startCreatedModules(mod);
    return mod;
}
