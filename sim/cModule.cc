#include "sim/cModule.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>

#include "sim/cException.h"
#include "sim/cSimulation.h"

cModule* cModule::inSetUp_ = nullptr;
bool cModule::nextInSetUp_ = false;

cModule::cModule(const char* name, cModule* parent) : cObject(name), parent_(parent)
{
    if (nextInSetUp_) {
        inSetUp_ = this; // the members made after this base belong to it
        nextInSetUp_ = false;
    }
    if (parent_)
        parent_->addSubmodule(this);
    id_ = simulation.registerModule(this);
}

cModule::~cModule()
{
    if (inSetUp_ == this)
        inSetUp_ = nullptr;
    // Children go first, newest first, so that nothing points at a deleted parent.
    while (!submodules_.empty()) {
        cModule* child = submodules_.back();
        delete child; // removes itself from submodules_
    }
    for (GateVector& v : gateVectors_)
        for (cGate* g : v.gates)
            delete g;
    for (cPar* p : params_)
        delete p;
    if (parent_)
        parent_->removeSubmodule(this);
    simulation.deregisterModule(this);
}

void cModule::removeSubmodule(cModule* mod)
{
    auto it = std::find(submodules_.begin(), submodules_.end(), mod);
    if (it != submodules_.end())
        submodules_.erase(it);
}

std::string cModule::fullName() const
{
    if (index_ < 0)
        return name();
    return std::string(name()) + "[" + std::to_string(index_) + "]";
}

std::string cModule::fullPath() const
{
    return parent_ ? parent_->fullPath() + "." + fullName() : fullName();
}

void cModule::setIndex(int index, int vectorSize)
{
    index_ = index;
    vectorSize_ = vectorSize;
}

cModule* cModule::submodule(const char* name, int index) const
{
    for (cModule* m : submodules_)
        if (m->index_ == index && std::strcmp(m->name(), name) == 0)
            return m;
    return nullptr;
}

cModule* cModule::moduleByRelativePath(const char* path) const
{
    const cModule* m = this;
    const char* p = path;
    while (m && *p) {
        const char* end = std::strchr(p, '.');
        size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
        std::string step(p, len);
        int index = -1;
        size_t bracket = step.find('[');
        if (bracket != std::string::npos) {
            index = std::atoi(step.c_str() + bracket + 1);
            step.resize(bracket);
        }
        m = m->submodule(step.c_str(), index);
        p += len;
        if (*p == '.')
            ++p;
    }
    return const_cast<cModule*>(m);
}

cPar& cModule::par(int index)
{
    if (index < 0 || index >= params())
        error("Parameter index %d out of range", index);
    return *params_[index];
}

cPar& cModule::par(const char* name)
{
    int i = parIndex_.find(name);
    if (i < 0)
        error("Unknown parameter named %s", name);
    return *params_[i];
}

cPar& cModule::addPar(const char* name)
{
    int i = parIndex_.find(name);
    if (i >= 0)
        return *params_[i];
    cPar* p = new cPar(name);
    p->setOwner(this);
    parIndex_.insert(name, static_cast<int>(params_.size()));
    params_.push_back(p);
    return *p;
}

void cModule::readInputParams()
{
    for (cPar* p : params_)
        if (p->isInput())
            simulation.readInputParameter(*p);
}

int cModule::findGateVector(const char* name) const
{
    return gateIndex_.find(name);
}

void cModule::addGate(const char* name, char type, bool isVector)
{
    if (findGateVector(name) >= 0)
        error("Gate %s declared twice", name);
    int slot = static_cast<int>(gateVectors_.size());
    gatesChanged();
    gateVectors_.push_back(GateVector{{}, name, type, isVector});
    gateIndex_.insert(name, slot);
    if (!isVector)
        gateVectors_.back().gates.push_back(new cGate(name, type, this, slot << 16, 0, false));
}

void cModule::setGateSize(const char* name, int size)
{
    int slot = findGateVector(name);
    if (slot < 0)
        error("Gate vector %s not found", name);
    GateVector& v = gateVectors_[slot];
    if (!v.isVector)
        error("Gate %s is not a vector", name);
    if (size < 0 || size > 0xFFFF)
        error("Gate vector size %d of %s out of range", size, name);
    gatesChanged();
    while (static_cast<int>(v.gates.size()) > size) {
        delete v.gates.back();
        v.gates.pop_back();
    }
    while (static_cast<int>(v.gates.size()) < size) {
        int i = static_cast<int>(v.gates.size());
        v.gates.push_back(new cGate(name, v.type, this, slot << 16 | i, i, true));
    }
    cGate::topologyChanged();
}

int cModule::gateSize(const char* name) const
{
    int slot = findGateVector(name);
    if (slot < 0)
        return 0;
    const GateVector& v = gateVectors_[slot];
    return v.isVector ? static_cast<int>(v.gates.size()) : 1;
}

int cModule::findGate(const char* name, int index) const
{
    const cGate* g = gateInVector(findGateVector(name), index);
    return g ? g->id() : -1;
}

cGate* cModule::gateInVector(int slot, int index) const
{
    if (slot < 0)
        return nullptr;
    const GateVector& v = gateVectors_[slot];
    if (!v.isVector)
        return index <= 0 ? v.gates[0] : nullptr;
    if (index < 0 || index >= static_cast<int>(v.gates.size()))
        return nullptr;
    return v.gates[index];
}

cGate* cModule::gate(const char* name, int index) const
{
    int id = findGate(name, index);
    return id < 0 ? nullptr : gate(id);
}

std::vector<cGate*> cModule::allGates() const
{
    std::vector<cGate*> all;
    for (const GateVector& v : gateVectors_)
        all.insert(all.end(), v.gates.begin(), v.gates.end());
    return all;
}

void cModule::buildInside()
{
    doBuildInside();
}

void cModule::checkInternalConnections() const
{
    for (cGate* g : allGates()) {
        bool inside = g->isInput() ? g->toGate() != nullptr : g->fromGate() != nullptr;
        if (!inside)
            error("Gate %s is not connected to any submodule", g->fullPath().c_str());
    }
    for (cModule* m : submodules_) {
        for (cGate* g : m->allGates()) {
            if (!g->isConnectedOutside())
                error("Gate %s is not connected", g->fullPath().c_str());
        }
    }
}

void cModule::callInitialize()
{
    if (initialized_)
        return;
    initialized_ = true;
    SetUpScope setUp(this);
    try {
        initialize();
    } catch (const std::bad_alloc&) {
        throw cRuntimeError(opp_format("Not enough memory to set up the module, one of %d modules each with a stack of "
                                       "min-stack-size = %zu bytes (in [General]): a setting that sizes its tables "
                                       "may be too large",
                                       simulation.lastModuleId() + 1, simulation.minStackSize()),
                            fullPath());
    }
}

void cModule::callFinish()
{
    finish();
}

void cModule::error(const char* fmt, ...) const
{
    va_list ap;
    va_start(ap, fmt);
    std::string text = opp_vformat(fmt, ap);
    va_end(ap);
    throw cRuntimeError(text, fullPath());
}

void cModule::endSimulation() const
{
    throw cTerminationException("endSimulation() called by " + fullPath());
}

void cModule::addWatch(const char* name, std::function<std::string()> text)
{
    for (Watch& w : watches_)
        if (w.name == name) {
            w.text = std::move(text); // registered again: the newest stands
            return;
        }
    watches_.push_back({name, std::move(text)});
}
