#include "host/Generator.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double LINE_BYTES_PER_SECOND = 12500000;
constexpr short PACKET_SIZE = 512;
constexpr double BYTE_TIME_US = 0.08;
// Keeps the minimum gap in byte times well inside a long.
constexpr double LONGEST_MIN_GAP = 1e15;

} // namespace

Generator::~Generator()
{
    while (DLinkable* head = sources_.first) {
        sources_.Remove(head);
        delete head;
    }
}

void Generator::build(double minGapUs, double onShapeValue, double offShapeValue, double load, long srcs)
{
    for (long i = 0; i < srcs; ++i) {
        auto* s = new SourcePareto;
        s->id = static_cast<short>(i);
        s->priority = 0;
        s->packetSize = PACKET_SIZE;
        s->minGap = static_cast<long>(std::min(minGapUs / BYTE_TIME_US, LONGEST_MIN_GAP));
        s->slot = PACKET_SIZE + s->minGap;
        s->onShape = onShapeValue;
        s->offShape = offShapeValue;
        SetInRange(s->onShape, 1, 2);
        SetInRange(s->offShape, 1, 2);
        double perSource = load * PACKET_SIZE / LINE_BYTES_PER_SECOND / static_cast<double>(srcs);
        SetInRange(perSource, 0, 1);
        s->SetLoad(perSource);
        s->Reset();
        InsertInOrder(s);
    }
}

void Generator::InsertInOrder(Source* source)
{
    DLinkable* after = sources_.first;
    while (after && static_cast<Source*>(after)->time < source->time)
        after = after->next;
    sources_.Insert(after ? after->prev : sources_.last, source, after);

    auto* head = static_cast<Source*>(sources_.first);
    id_ = static_cast<unsigned>(head->id) & 0x3FF;
    priority_ = static_cast<unsigned>(head->priority) & 0x3F;
    packetSize_ = head->packetSize;
    currentTime_ = std::max(head->time, previousTime_ + interPacketGap_ + head->packetSize);
}

void Generator::step()
{
    if (!sources_.first)
        return;
    previousTime_ = currentTime_;
    bytes_ += packetSize_;
    packets_ += 1;
    auto* s = static_cast<Source*>(sources_.first);
    sources_.Remove(s);
    if (s->remaining == 0) {
        s->remaining = s->GetBurstSize();
        s->time += s->GetGapSize();
    }
    s->time += static_cast<double>(s->slot);
    s->remaining -= 1;
    InsertInOrder(s);
}
