#include "env/tk/FieldRows.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "env/tk/QueueRows.h"
#include "messages/MsgKinds.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

namespace {

std::string number_text(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

std::string gate_link(const cGate& g)
{
    const cGate* other = g.isOutput() ? g.toGate() : g.fromGate();
    if (g.ownerModule() && !g.ownerModule()->isSimple() && g.isInput() && g.toGate())
        other = g.toGate(); // a compound's input also leads inwards
    if (!other)
        return "not connected";
    return std::string(g.isOutput() ? "--> " : "<-- ") + other->fullPath();
}

std::unique_ptr<cStructDescriptor> descriptor_for(const char* className, void* obj)
{
    return std::unique_ptr<cStructDescriptor>(cStructDescriptor::createDescriptorFor(className, obj));
}

// The fields of `obj` through its descriptor, records opened in place.
void add_fields(std::vector<InspectorRow>& rows, const char* className, void* obj, const std::string& prefix,
                const std::string& labelPrefix, int depth)
{
    std::unique_ptr<cStructDescriptor> d = descriptor_for(className, obj);
    if (!d || depth > 8)
        return;
    for (int f = 0; f < d->getFieldCount(); ++f) {
        std::string address = prefix + std::to_string(f);
        std::string label = labelPrefix + d->getFieldName(f);
        if (d->getFieldType(f) == cStructDescriptor::FT_STRUCT) {
            rows.push_back({"fields", label, std::string("(") + d->getFieldStructName(f) + ")", ""});
            add_fields(rows, d->getFieldStructName(f), d->getFieldStructPointer(f, 0), address + ".", label + ".",
                       depth + 1);
            continue;
        }
        char buf[256] = "";
        d->getFieldAsString(f, 0, buf, sizeof buf);
        rows.push_back({"fields", label + " (" + d->getFieldTypeString(f) + ")", buf, address});
    }
}

} // namespace

std::vector<InspectorRow> inspect_module(const cModule& mod)
{
    std::vector<InspectorRow> rows;
    rows.push_back({"module", "path", mod.fullPath(), ""});
    rows.push_back({"module", "type", mod.moduleType() ? mod.moduleType()->name() : mod.className(), ""});
    rows.push_back({"module", "id", std::to_string(mod.id()), ""});
    auto& m = const_cast<cModule&>(mod);
    for (int i = 0; i < mod.params(); ++i)
        rows.push_back({"parameters", m.par(i).name(), m.par(i).str(), ""});
    for (const cGate* g : mod.allGates())
        rows.push_back({"gates", g->fullName(), gate_link(*g), ""});
    for (const cModule::Watch& w : mod.watches())
        rows.push_back({"watches", w.name, w.text(), ""});
    for (InspectorRow& q : module_queue_rows(mod))
        rows.push_back(std::move(q));
    for (const cModule* sub : mod.submodules())
        rows.push_back(
            {"submodules", sub->fullName(), sub->moduleType() ? sub->moduleType()->name() : sub->className(), ""});
    return rows;
}

std::vector<InspectorRow> inspect_message(cMessage& msg)
{
    std::vector<InspectorRow> rows;
    const char* kindName = msgKindName(msg.kind());
    rows.push_back({"message", "name", msg.name(), ""});
    rows.push_back({"message", "class", msg.className(), ""});
    rows.push_back({"message", "kind", kindName ? kindName : std::to_string(msg.kind()), ""});
    rows.push_back({"message", "length", std::to_string(msg.length()), ""});
    rows.push_back({"message", "priority", std::to_string(msg.priority()), ""});
    if (msg.isScheduled())
        rows.push_back({"message", "arrival time", number_text(msg.arrivalTime()), ""});
    for (int i = 0; i < msg.parListSize(); ++i)
        rows.push_back({"parameters", msg.par(i).name(), msg.par(i).str(), ""});
    add_fields(rows, msg.className(), &msg, "", "", 0);
    return rows;
}

bool edit_message_field(cMessage& msg, const std::string& field, const std::string& value)
{
    std::unique_ptr<cStructDescriptor> d = descriptor_for(msg.className(), &msg);
    std::string rest = field;
    while (d) {
        size_t dot = rest.find('.');
        int f = std::atoi(rest.substr(0, dot).c_str());
        if (f < 0 || f >= d->getFieldCount())
            return false;
        if (dot == std::string::npos)
            return d->getFieldType(f) != cStructDescriptor::FT_STRUCT && d->setFieldAsString(f, 0, value.c_str());
        if (d->getFieldType(f) != cStructDescriptor::FT_STRUCT)
            return false;
        d = descriptor_for(d->getFieldStructName(f), d->getFieldStructPointer(f, 0));
        rest = rest.substr(dot + 1);
    }
    return false;
}

std::vector<InspectorRow> inspect_event_list()
{
    cMessageHeap& fes = simulation.messageQueue();
    std::vector<cMessage*> events;
    for (int i = 0; i < fes.length(); ++i)
        events.push_back(fes.at(i));
    std::sort(events.begin(), events.end(),
              [](const cMessage* a, const cMessage* b) { return a->arrivalTime() < b->arrivalTime(); });
    std::vector<InspectorRow> rows;
    for (const cMessage* msg : events) {
        cModule* to = simulation.module(msg->arrivalModuleId());
        rows.push_back({"events", number_text(msg->arrivalTime()),
                        std::string("(") + msg->className() + ")" + msg->name() + " --> " + (to ? to->fullPath() : "?"),
                        std::to_string(object_address(msg))});
    }
    return rows;
}
