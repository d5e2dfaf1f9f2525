#include "env/tk/TkCommands.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "env/tk/CompoundPicture.h"
#include "env/tk/FieldRows.h"
#include "env/tk/IconTable.h"
#include "env/tk/QueueRows.h"
#include "env/tk/Tkenv.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

// Last: tcl.h defines a CONST macro that the kernel's headers must not see.
#include <tcl.h>

namespace {

using Args = std::vector<std::string>;

Tcl_Obj* text(const std::string& s)
{
    return Tcl_NewStringObj(s.c_str(), static_cast<int>(s.size()));
}

Tcl_Obj* list(std::initializer_list<Tcl_Obj*> items)
{
    Tcl_Obj* l = Tcl_NewListObj(0, nullptr);
    for (Tcl_Obj* item : items)
        Tcl_ListObjAppendElement(nullptr, l, item);
    return l;
}

Tcl_Obj* num(double v)
{
    return Tcl_NewDoubleObj(v);
}

Tcl_Obj* rows_list(const std::vector<InspectorRow>& rows)
{
    Tcl_Obj* l = Tcl_NewListObj(0, nullptr);
    for (const InspectorRow& r : rows)
        Tcl_ListObjAppendElement(nullptr, l, list({text(r.section), text(r.label), text(r.value), text(r.field)}));
    return l;
}

cModule& module_arg(const Args& a, size_t i)
{
    if (a.size() <= i)
        throw std::runtime_error("module id missing");
    cModule* mod = simulation.module(std::atoi(a[i].c_str()));
    if (!mod)
        throw std::runtime_error("no module with id " + a[i]);
    return *mod;
}

// Only a message still on the event list or in a queue is opened: any other
// address may be stale.
cMessage& message_arg(const Args& a, size_t i)
{
    if (a.size() <= i)
        throw std::runtime_error("message missing");
    long address = std::atol(a[i].c_str());
    cMessageHeap& fes = simulation.messageQueue();
    for (int k = 0; k < fes.length(); ++k)
        if (fes.at(k) == object_at<cMessage>(address))
            return *fes.at(k);
    if (cMessage* queued = queued_message_at(address))
        return *queued;
    throw std::runtime_error("the message is neither scheduled nor queued any more");
}

const cQueue& queue_arg(const Args& a, size_t i)
{
    const cQueue* q = a.size() > i ? queue_at(std::atol(a[i].c_str())) : nullptr;
    if (!q)
        throw std::runtime_error("the queue is gone");
    return *q;
}

Tcl_Obj* tree_of(const cModule& mod)
{
    Tcl_Obj* children = Tcl_NewListObj(0, nullptr);
    for (const cModule* sub : mod.submodules())
        Tcl_ListObjAppendElement(nullptr, children, tree_of(*sub));
    return list({Tcl_NewIntObj(mod.id()), text(mod.fullName()),
                 text(mod.moduleType() ? mod.moduleType()->name() : mod.className()),
                 Tcl_NewBooleanObj(!mod.isSimple()), children});
}

Tcl_Obj* picture(const cModule& mod)
{
    CompoundPicture pic = draw_compound(mod);
    Tcl_Obj* boxes = Tcl_NewListObj(0, nullptr);
    for (const DrawnModule& m : pic.modules)
        Tcl_ListObjAppendElement(nullptr, boxes,
                                 list({Tcl_NewIntObj(m.id), text(m.name), text(m.type), text(m.icon), num(m.x),
                                       num(m.y), num(m.w), num(m.h)}));
    Tcl_Obj* lines = Tcl_NewListObj(0, nullptr);
    for (const DrawnConnection& c : pic.connections) {
        Tcl_Obj* coords = list({num(c.x1), num(c.y1)});
        for (const auto& [x, y] : c.bends) {
            Tcl_ListObjAppendElement(nullptr, coords, num(x));
            Tcl_ListObjAppendElement(nullptr, coords, num(y));
        }
        Tcl_ListObjAppendElement(nullptr, coords, num(c.x2));
        Tcl_ListObjAppendElement(nullptr, coords, num(c.y2));
        Tcl_ListObjAppendElement(nullptr, lines,
                                 list({Tcl_NewIntObj(c.fromId), Tcl_NewIntObj(c.toId), text(c.gateName), text(c.colour),
                                       coords, text(c.key)}));
    }
    Tcl_Obj* gates = Tcl_NewListObj(0, nullptr);
    for (const DrawnGate& g : pic.gates)
        Tcl_ListObjAppendElement(nullptr, gates,
                                 list({text(g.name), num(g.x), num(g.y), text(std::string(1, g.side))}));
    Tcl_Obj* legend = Tcl_NewListObj(0, nullptr);
    for (const LegendEntry& e : pic.legend)
        Tcl_ListObjAppendElement(nullptr, legend, list({text(e.colour), text(e.text)}));
    return list({num(pic.width), num(pic.height), text(pic.background), boxes, lines, gates, legend});
}

// A message's path as {compound id, connection key} pairs.
Tcl_Obj* path_list(int senderId, int senderGateId, int arrivalId, int arrivalGateId)
{
    Tcl_Obj* l = Tcl_NewListObj(0, nullptr);
    for (const PathHop& hop : message_path(senderId, senderGateId, arrivalId, arrivalGateId))
        Tcl_ListObjAppendElement(nullptr, l, list({Tcl_NewIntObj(hop.compoundId), text(hop.key)}));
    return l;
}

// Every message on its way along connections (sent, not yet delivered):
// its name, how far it has come (0 to 1; half way for one that takes no
// time, as over a cable without delay) and its path.
Tcl_Obj* in_flight()
{
    Tcl_Obj* l = Tcl_NewListObj(0, nullptr);
    cMessageHeap& fes = simulation.messageQueue();
    simtime_t now = simulation.simTime();
    for (int k = 0; k < fes.length(); ++k) {
        const cMessage* m = fes.at(k);
        if (m->isSelfMessage() || m->senderGateId() < 0)
            continue;
        simtime_t duration = m->arrivalTime() - m->sendingTime();
        double part = duration > 0 ? (now - m->sendingTime()) / duration : 0.5;
        Tcl_Obj* path = path_list(m->senderModuleId(), m->senderGateId(), m->arrivalModuleId(), m->arrivalGateId());
        Tcl_ListObjAppendElement(nullptr, l, list({text(m->name()), num(part), path}));
    }
    return l;
}

RunController::Mode mode_arg(const std::string& name)
{
    if (name == "step")
        return RunController::STEP;
    if (name == "normal")
        return RunController::NORMAL;
    if (name == "fast")
        return RunController::FAST;
    if (name == "express")
        return RunController::EXPRESS;
    throw std::runtime_error("unknown run mode " + name);
}

} // namespace

class TkCommandTable {
  public:
    static Tcl_Obj* call(Tkenv& env, const Args& a)
    {
        const std::string& cmd = a[0];
        if (cmd == "vm_status")
            return list({num(simulation.simTime()),
                         Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(simulation.eventNumber())),
                         num(env.rate_.perSecond()), Tcl_NewBooleanObj(env.controller_.isRunning()),
                         text(env.failed_     ? "failed"
                              : env.finished_ ? "ended"
                                              : "ready"),
                         text(env.ending_)});
        if (cmd == "vm_setup_error")
            return text(env.setupError_);
        if (cmd == "vm_tree")
            return simulation.systemModule() ? tree_of(*simulation.systemModule()) : Tcl_NewListObj(0, nullptr);
        if (cmd == "vm_module_path")
            return text(module_arg(a, 1).fullPath());
        if (cmd == "vm_picture")
            return picture(module_arg(a, 1));
        if (cmd == "vm_inspect_module")
            return rows_list(inspect_module(module_arg(a, 1)));
        if (cmd == "vm_inspect_queue")
            return rows_list(inspect_queue(queue_arg(a, 1)));
        if (cmd == "vm_inspect_message")
            return rows_list(inspect_message(message_arg(a, 1)));
        if (cmd == "vm_edit_field")
            return Tcl_NewBooleanObj(a.size() == 4 && edit_message_field(message_arg(a, 1), a[2], a[3]));
        if (cmd == "vm_icons") {
            Tcl_Obj* l = Tcl_NewListObj(0, nullptr);
            for (size_t i = 0; i < ICON_COUNT; ++i)
                Tcl_ListObjAppendElement(nullptr, l, list({text(ICONS[i].name), text(ICONS[i].png)}));
            return l;
        }
        if (cmd == "vm_events")
            return rows_list(inspect_event_list());
        if (cmd == "vm_run") {
            if (env.controller_.isRunning())
                return text("already running");
            double until = a.size() > 2 && !a[2].empty() ? std::atof(a[2].c_str()) : MAXTIME;
            unsigned long long untilEvent =
                a.size() > 3 && !a[3].empty() ? std::strtoull(a[3].c_str(), nullptr, 10) : 0;
            return text(env.runFor(mode_arg(a.size() > 1 ? a[1] : "step"), until, untilEvent));
        }
        if (cmd == "vm_stop") {
            env.controller_.requestStop();
            return text("");
        }
        if (cmd == "vm_restart") {
            if (env.controller_.isRunning())
                throw std::runtime_error("stop the run before restarting it");
            env.restart();
            return text("");
        }
        if (cmd == "vm_last_event") {
            const RunController::LastEvent& e = env.controller_.lastEvent();
            return list({Tcl_NewIntObj(e.fromId), Tcl_NewIntObj(e.toId), text(e.message),
                         path_list(e.fromId, e.fromGateId, e.toId, e.toGateId)});
        }
        if (cmd == "vm_in_flight")
            return in_flight();
        if (cmd == "vm_log_total")
            return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(env.log_.total()));
        if (cmd == "vm_log") {
            Tcl_Obj* l = Tcl_NewListObj(0, nullptr);
            uint64_t first = a.size() > 2 ? std::strtoull(a[2].c_str(), nullptr, 10) : 0;
            size_t limit = a.size() > 3 ? std::strtoull(a[3].c_str(), nullptr, 10) : 0;
            for (const LogBuffer::Line* line : env.log_.linesOf(a.size() > 1 ? a[1] : "", first, limit))
                Tcl_ListObjAppendElement(nullptr, l,
                                         list({Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(line->event)),
                                               text(line->module), text(line->text), num(line->time)}));
            return l;
        }
        if (cmd == "vm_script_status") {
            env.scriptStatus_ = a.size() > 1 ? std::atoi(a[1].c_str()) : 0;
            return text("");
        }
        throw std::runtime_error("unknown command " + cmd);
    }
};

namespace {

int dispatch(ClientData data, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[])
{
    Args args;
    for (int i = 0; i < objc; ++i)
        args.emplace_back(Tcl_GetString(objv[i]));
    try {
        Tcl_SetObjResult(interp, TkCommandTable::call(*static_cast<Tkenv*>(data), args));
        return TCL_OK;
    } catch (const std::exception& e) {
        Tcl_SetObjResult(interp, text(e.what()));
        return TCL_ERROR;
    }
}

} // namespace

void TkCommands::registerAll(Tcl_Interp* interp, Tkenv* env)
{
    static const char* const names[] = {
        "vm_status",          "vm_tree",          "vm_module_path", "vm_picture",   "vm_inspect_module",
        "vm_inspect_message", "vm_edit_field",    "vm_events",      "vm_run",       "vm_stop",
        "vm_restart",         "vm_last_event",    "vm_log",         "vm_log_total", "vm_script_status",
        "vm_icons",           "vm_inspect_queue", "vm_setup_error", "vm_in_flight"};
    for (const char* name : names)
        Tcl_CreateObjCommand(interp, name, dispatch, env, nullptr);
}
