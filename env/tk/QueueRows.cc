#include "env/tk/QueueRows.h"

#include <map>
#include <set>

#include "env/tk/FieldRows.h"
#include "messages/MsgKinds.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

namespace {

std::string queue_label(const cQueue& queue, size_t place)
{
    return queue.hasName() ? queue.name() : "queue " + std::to_string(place + 1);
}

std::string object_text(const cObject& obj)
{
    std::string text = std::string("(") + obj.className() + ")" + obj.name();
    if (const auto* msg = dynamic_cast<const cMessage*>(&obj)) {
        const char* kindName = msgKindName(msg->kind());
        text += "  kind " + (kindName ? std::string(kindName) : std::to_string(msg->kind()));
    }
    return text;
}

using FieldValues = std::map<std::string, std::string>;

// A message's field values by field name (records' fields as "rec.field").
FieldValues field_values(cMessage& msg)
{
    FieldValues out;
    for (const InspectorRow& r : inspect_message(msg))
        if (r.section == "fields" && r.label.find(" (") != std::string::npos)
            out[r.label.substr(0, r.label.find(" ("))] = r.value;
    return out;
}

// Whether a field identifies the piece of work a message carries: its
// sector, block or I/O; those name a queued message before any other.
int identifying_rank(const std::string& field)
{
    static const char* const order[] = {"ioId", "dskSec", "dskBlk", "lunBlk", "seqCnt", "oxId"};
    std::string last = field.substr(field.rfind('.') + 1);
    for (int i = 0; i < 6; ++i)
        if (last == order[i])
            return i;
    return 6;
}

// Up to MAX_SHOWN fields whose values are not the same for every message
// of the queue, the identifying ones first: they tell the rows apart.
std::vector<std::string> differing_fields(const std::vector<FieldValues>& messages)
{
    constexpr size_t MAX_SHOWN = 3;
    std::set<std::pair<int, std::string>> differing;
    for (const FieldValues& values : messages)
        for (const auto& [name, value] : values)
            for (const FieldValues& other : messages) {
                auto it = other.find(name);
                if (it == other.end() || it->second != value) {
                    differing.insert({identifying_rank(name), name});
                    break;
                }
            }
    std::vector<std::string> out;
    for (const auto& rankAndName : differing)
        if (out.size() < MAX_SHOWN)
            out.push_back(rankAndName.second);
    return out;
}

} // namespace

std::vector<InspectorRow> module_queue_rows(const cModule& mod)
{
    std::vector<InspectorRow> rows;
    std::vector<const cQueue*> queues = cQueue::queuesOf(mod.id());
    for (size_t k = 0; k < queues.size(); ++k)
        rows.push_back({"queues", queue_label(*queues[k], k), std::to_string(queues[k]->length()) + " queued",
                        std::to_string(object_address(queues[k]))});
    return rows;
}

std::vector<InspectorRow> inspect_queue(const cQueue& queue)
{
    std::vector<InspectorRow> rows;
    const cModule* owner = simulation.module(queue.ownerModuleId());
    rows.push_back({"queue", "name", queue.hasName() ? queue.name() : "(no name)", ""});
    rows.push_back({"queue", "module", owner ? owner->fullPath() : "(none)", ""});
    rows.push_back({"queue", "length", std::to_string(queue.length()), ""});
    std::vector<FieldValues> values;
    for (cObject* obj : queue)
        if (auto* msg = dynamic_cast<cMessage*>(obj))
            values.push_back(field_values(*msg));
    std::vector<std::string> shown = differing_fields(values);
    int i = 0;
    size_t m = 0;
    for (const cObject* obj : queue) {
        bool isMessage = dynamic_cast<const cMessage*>(obj) != nullptr;
        std::string text = object_text(*obj);
        if (isMessage) {
            for (const std::string& name : shown) {
                auto it = values[m].find(name);
                if (it != values[m].end())
                    text += "  " + name + "=" + it->second;
            }
            ++m;
        }
        rows.push_back(
            {"contents", "#" + std::to_string(i++), text, isMessage ? std::to_string(object_address(obj)) : ""});
    }
    return rows;
}

const cQueue* queue_at(long address)
{
    const cQueue* q = object_at<const cQueue>(address);
    return cQueue::isLive(q) ? q : nullptr;
}

cMessage* queued_message_at(long address)
{
    const cObject* wanted = object_at<const cObject>(address);
    for (const cQueue* q = cQueue::firstLive(); q; q = q->nextLive())
        for (cObject* obj : *q)
            if (obj == wanted)
                return dynamic_cast<cMessage*>(obj);
    return nullptr;
}
