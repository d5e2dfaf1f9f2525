#include "env/tk/QueueRows.h"

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
    int i = 0;
    for (const cObject* obj : queue) {
        bool isMessage = dynamic_cast<const cMessage*>(obj) != nullptr;
        rows.push_back({"contents", "#" + std::to_string(i++), object_text(*obj),
                        isMessage ? std::to_string(object_address(obj)) : ""});
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
