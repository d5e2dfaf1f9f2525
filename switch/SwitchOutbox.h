#pragma once

#include <vector>

class cMessage;

// The messages a helper of the control centre has built for the centre to
// send, in the order built: each on a switch port, or to the centre itself
// after a delay. The centre takes them once the helper's call returns, so
// that they leave in the same order and at the same time as if the helper
// had sent them itself.
class SwitchOutbox {
  public:
    static constexpr int TO_SELF = -1;

    struct Entry {
        cMessage* msg;
        int port; // TO_SELF: scheduled to the centre `delay` seconds from now
        double delay;
    };

    SwitchOutbox() = default;
    SwitchOutbox(const SwitchOutbox&) = delete;
    SwitchOutbox& operator=(const SwitchOutbox&) = delete;
    // What a run that ended in the middle of a call left untaken is freed.
    ~SwitchOutbox();

    void to_port(cMessage* msg, int port) { entries_.push_back({msg, port, 0}); }
    void to_self(cMessage* msg, double delay) { entries_.push_back({msg, TO_SELF, delay}); }
    // Everything built so far; the outbox is empty afterwards.
    std::vector<Entry> take();

  private:
    std::vector<Entry> entries_;
};
