#pragma once

#include <cstdint>
#include <cstring>

#include "sim/SimTime.h"

class cMessage;

// What the future event list orders a message by, kept beside the message so
// that ordering never reads the message itself.
struct EventEntry {
    EventEntry() = default;
    EventEntry(simtime_t t, uint64_t o, cMessage* m, int id) : time(t), order(o), msg(m), moduleId(id) {}

    simtime_t time;
    uint64_t order; // priority in the top 16 bits, insertion number below
    cMessage* msg;
    int moduleId; // the message's arrival module, to be looked up before the message is read

    // Times are never negative (a zero is stored as +0), and the bits of
    // non-negative doubles order as the numbers do: time and order then
    // compare as one 128-bit number, without a branch.
    using Key = unsigned __int128;
    static Key key(simtime_t time, uint64_t order)
    {
        uint64_t bits;
        std::memcpy(&bits, &time, sizeof bits);
        return static_cast<Key>(bits) << 64 | order;
    }
    Key key() const { return key(time, order); }
    bool before(const EventEntry& other) const { return key() < other.key(); }
};
