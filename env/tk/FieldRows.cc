#include "env/tk/FieldRows.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
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

std::string time_text(simtime_t t)
{
    return number_text(t) + " s";
}

std::string module_text(int id)
{
    const cModule* mod = id >= 0 ? simulation.module(id) : nullptr;
    return mod ? mod->fullPath() : "(none)";
}

std::unique_ptr<cStructDescriptor> descriptor_for(const char* className, void* obj)
{
    return std::unique_ptr<cStructDescriptor>(cStructDescriptor::createDescriptorFor(className, obj));
}

bool ends_with(const char* s, const char* tail)
{
    size_t n = std::strlen(s), m = std::strlen(tail);
    return n >= m && std::strcmp(s + n - m, tail) == 0;
}

// A field that holds an object's address (…Ptr) or a memory address
// (…Addr): shown, never written, for a wrong value there is a wild pointer.
bool holds_address(const char* fieldName)
{
    return ends_with(fieldName, "Ptr") || ends_with(fieldName, "Addr");
}

// The catalogue's enumeration a field's numbers come from, or null. The
// command code is a SCSI one only in the command descriptor block.
const cEnum* enumeration_of(const char* className, const char* fieldName)
{
    const char* name = nullptr;
    if (std::strcmp(fieldName, "ioType") == 0 ||
        (std::strcmp(fieldName, "cmdCode") == 0 && std::strcmp(className, "ScsiCdb") == 0))
        name = "ScsiCmdCode";
    else if (std::strcmp(fieldName, "sof") == 0 || std::strcmp(fieldName, "eof") == 0)
        name = "FrameDelimiters";
    return name ? enums.find(name) : nullptr;
}

// An enumerated field takes a name of its enumeration, or a number that has
// one; `number` is then the value as the descriptor reads it.
bool enumerated_value(const cEnum& e, const std::string& text, std::string& number)
{
    int v = e.lookup(text.c_str(), -1);
    long n;
    if (v < 0 && cStructDescriptor::string2long(text.c_str(), n) && n >= 0 && n <= INT_MAX &&
        e.stringFor(static_cast<int>(n)))
        v = static_cast<int>(n);
    if (v < 0)
        return false;
    number = std::to_string(v);
    return true;
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
        const char* name = d->getFieldName(f);
        std::string label = labelPrefix + name;
        if (d->getFieldType(f) == cStructDescriptor::FT_STRUCT) {
            rows.push_back({"fields", label, std::string("(") + d->getFieldStructName(f) + ")", ""});
            add_fields(rows, d->getFieldStructName(f), d->getFieldStructPointer(f, 0), address + ".", label + ".",
                       depth + 1);
            continue;
        }
        char buf[256] = "";
        d->getFieldAsString(f, 0, buf, sizeof buf);
        std::string value = buf;
        std::string type = d->getFieldTypeString(f);
        if (const cEnum* e = enumeration_of(className, name)) {
            type = e->name();
            if (const char* valueName = e->stringFor(std::atoi(buf)))
                value = valueName;
        }
        if (holds_address(name))
            type += ", read-only";
        rows.push_back({"fields", label + " (" + type + ")", value, address});
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
    rows.push_back({"message", "sender", module_text(msg.senderModuleId()), ""});
    rows.push_back({"message", "arrival module", module_text(msg.arrivalModuleId()), ""});
    rows.push_back({"message", "sending time", time_text(msg.sendingTime()), ""});
    rows.push_back({"message", "arrival time", time_text(msg.arrivalTime()), ""});
    for (int i = 0; i < msg.parListSize(); ++i)
        rows.push_back({"parameters", msg.par(i).name(), msg.par(i).str(), ""});
    add_fields(rows, msg.className(), &msg, "", "", 0);
    return rows;
}

bool edit_message_field(cMessage& msg, const std::string& field, const std::string& value)
{
    std::string className = msg.className();
    std::unique_ptr<cStructDescriptor> d = descriptor_for(className.c_str(), &msg);
    std::string rest = field;
    while (d) {
        size_t dot = rest.find('.');
        int f = std::atoi(rest.substr(0, dot).c_str());
        if (f < 0 || f >= d->getFieldCount())
            return false;
        if (dot == std::string::npos) {
            const char* name = d->getFieldName(f);
            if (d->getFieldType(f) == cStructDescriptor::FT_STRUCT || holds_address(name))
                return false;
            const cEnum* e = enumeration_of(className.c_str(), name);
            std::string text = value;
            if (e && !enumerated_value(*e, value, text))
                return false;
            return d->setFieldAsString(f, 0, text.c_str());
        }
        if (d->getFieldType(f) != cStructDescriptor::FT_STRUCT)
            return false;
        className = d->getFieldStructName(f);
        d = descriptor_for(className.c_str(), d->getFieldStructPointer(f, 0));
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
        rows.push_back({"events", time_text(msg->arrivalTime()),
                        std::string("(") + msg->className() + ")" + msg->name() + " --> " + (to ? to->fullPath() : "?"),
                        std::to_string(object_address(msg))});
    }
    return rows;
}
