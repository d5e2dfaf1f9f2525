#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/NameIndex.h"
#include "sim/SimTime.h"
#include "sim/cGate.h"
#include "sim/cObject.h"
#include "sim/cPar.h"

class cModuleType;

// A module of the network: simple (behaviour in a coroutine) or compound (a
// container of submodules). It owns its parameters, gates and submodules.
//
// Gate ids encode the gate's vector and element (vector slot << 16 | index), so
// that resizing one gate vector at run time leaves every other id valid.
class cModule : public cObject {
  public:
    cModule(const char* name, cModule* parent);
    ~cModule() override;
    const char* className() const override { return "cModule"; }
    std::string fullName() const override;
    std::string fullPath() const override;

    int id() const { return id_; }
    // The module whose constructor or initialize() is running, or null: the
    // owner of what is made meanwhile (its queues, say).
    static cModule* moduleInSetUp() { return inSetUp_; }
    // While it lives, `mod` is the module in set-up (with none given, the
    // next module constructed is); the one before comes back after it.
    class SetUpScope {
      public:
        explicit SetUpScope(cModule* mod) : saved_(inSetUp_), savedNext_(nextInSetUp_)
        {
            inSetUp_ = mod;
            nextInSetUp_ = mod == nullptr;
        }
        ~SetUpScope()
        {
            inSetUp_ = saved_;
            nextInSetUp_ = savedNext_;
        }
        SetUpScope(const SetUpScope&) = delete;
        SetUpScope& operator=(const SetUpScope&) = delete;

      private:
        cModule* saved_;
        bool savedNext_;
    };
    cModule* parentModule() const { return parent_; }
    cModuleType* moduleType() const { return type_; }
    void setModuleType(cModuleType* type) { type_ = type; }
    virtual bool isSimple() const { return false; }

    // Position in a submodule vector: -1 when the module is not a vector element.
    int index() const { return index_; }
    int size() const { return vectorSize_; }
    bool isVector() const { return index_ >= 0; }
    void setIndex(int index, int vectorSize);

    // Submodules, by name and index (-1 for a scalar); null when absent.
    const std::vector<cModule*>& submodules() const { return submodules_; }
    cModule* submodule(const char* name, int index = -1) const;
    // A module below this one by a dotted path of full names, such as
    // "DataCtr1.Dev1.Chip[0].NxPort[0]"; null when any step is absent.
    cModule* moduleByRelativePath(const char* path) const;

    // Parameters.
    int params() const { return static_cast<int>(params_.size()); }
    cPar& par(int index);
    cPar& par(const char* name);
    int findPar(const char* name) const { return parIndex_.find(name); }
    bool hasPar(const char* name) const { return findPar(name) >= 0; }
    cPar& addPar(const char* name);
    // Asks the environment for every parameter that is still an input.
    void readInputParams();

    // Gates.
    void addGate(const char* name, char type, bool isVector = false);
    void setGateSize(const char* name, int size);
    int gateSize(const char* name) const;
    cGate* gate(int id) const
    {
        unsigned slot = static_cast<unsigned>(id) >> 16, i = id & 0xFFFF;
        if (id < 0 || slot >= gateVectors_.size() || i >= gateVectors_[slot].gates.size())
            return nullptr;
        return gateVectors_[slot].gates[i];
    }
    cGate* gate(const char* name, int index = -1) const;
    int findGate(const char* name, int index = -1) const;
    // The slot of gate vector `name` (a scalar gate has one too), or -1; with
    // gateInVector(), the same gate as gate(name, index) without the look-up.
    int findGateVector(const char* name) const;
    cGate* gateInVector(int slot, int index) const;
    bool hasGate(const char* name, int index = -1) const { return findGate(name, index) >= 0; }
    // Every gate, vector by vector in declaration order.
    std::vector<cGate*> allGates() const;

    // Display strings: as a submodule inside its parent, and as seen from inside.
    const char* displayString() const { return displayString_.c_str(); }
    void setDisplayString(const char* s) { displayString_ = s ? s : ""; }
    const char* backgroundDisplayString() const { return backgroundDisplayString_.c_str(); }
    void setBackgroundDisplayString(const char* s) { backgroundDisplayString_ = s ? s : ""; }

    // Variables registered with WATCH(): a name and how to show the value.
    struct Watch {
        std::string name;
        std::function<std::string()> text;
    };
    void addWatch(const char* name, std::function<std::string()> text);
    const std::vector<Watch>& watches() const { return watches_; }

    // Building.
    void buildInside();
    virtual void doBuildInside() {}
    // Checks that every gate of every submodule, and the inner side of this
    // module's own gates, is connected; ends with an error naming the first
    // gate that is not.
    void checkInternalConnections() const;
    bool isLocal() const { return true; }

    // Lifecycle. initialize() runs once on every module before any coroutine
    // starts; finish() once at a normal end, in the same order.
    virtual void initialize() {}
    virtual void finish() {}
    // Runs instead of finish() when the run stopped part-way (interrupted):
    // a module writes no summaries then, and tidies only what no later run
    // may find (temporary files).
    virtual void abandonRun() {}
    // What the system module says of a run that ended normally, once every
    // finish() has run: one line for the environment to show (empty: nothing
    // to say), and whether it reports something that went wrong, which a
    // quiet environment shows even so.
    struct RunSummary {
        std::string line;
        bool notable = false;
    };
    virtual RunSummary runSummary() { return {}; }
    void callInitialize();
    void callFinish();
    bool initialized() const { return initialized_; }

    // Ends the run with a message naming this module.
    [[noreturn]] void error(const char* fmt, ...) const __attribute__((format(printf, 2, 3)));
    // Ends the run normally.
    [[noreturn]] void endSimulation() const;

  protected:
    // A gate was added or a gate vector resized: whatever remembers gates
    // must forget them.
    virtual void gatesChanged() {}

  private:
    friend class cSimulation;
    struct GateVector {
        std::vector<cGate*> gates; // first: a send by id reads only this
        std::string name;
        char type;
        bool isVector;
    };
    void addSubmodule(cModule* mod) { submodules_.push_back(mod); }
    void removeSubmodule(cModule* mod);

    int id_ = -1;
    cModule* parent_;
    cModuleType* type_ = nullptr;
    int index_ = -1;
    int vectorSize_ = 1;
    bool initialized_ = false;
    std::vector<cModule*> submodules_;
    std::vector<cPar*> params_;
    NameIndex parIndex_;
    std::vector<GateVector> gateVectors_;
    NameIndex gateIndex_; // sending by gate name looks the vector up here

    std::string displayString_;
    std::string backgroundDisplayString_;
    std::vector<Watch> watches_;
    static cModule* inSetUp_;
    static bool nextInSetUp_;
};

// A module that only contains others; its inside is built by doBuildInside().
class cCompoundModule : public cModule {
  public:
    using cModule::cModule;
    const char* className() const override { return "cCompoundModule"; }
};
