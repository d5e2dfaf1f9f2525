#pragma once

#include "messages/MessageOwnership.h"
#include "sim/cMessage.h"

// A self-message that a module schedules turn after turn, such as a
// processing cost or the end of a line turn: one message serves every turn,
// which spares the module a new message and its deletion each time. A turn
// that starts while the last one is still pending takes a message of its own.
class RecurringSelfMessage {
  public:
    RecurringSelfMessage(const char* name, int kind) : name_(name), kind_(kind) {}
    RecurringSelfMessage(const RecurringSelfMessage&) = delete;
    RecurringSelfMessage& operator=(const RecurringSelfMessage&) = delete;
    // Pending or not, the message goes with its holder, with whatever it carries.
    ~RecurringSelfMessage() { discard_message(msg_); }

    // The message for the next turn.
    cMessage* next()
    {
        if (msg_ && !msg_->isScheduled())
            return msg_;
        return fresh();
    }

    // Ends the turn of `msg`: the shared message is kept, any other deleted.
    void done(cMessage* msg)
    {
        if (msg != msg_)
            delete msg;
    }

  private:
    // The first turn's message, or one of its own for a turn that starts
    // while the last is pending; out of line, so that next() stays inlined.
    [[gnu::noinline]] cMessage* fresh()
    {
        if (msg_)
            return new cMessage(name_, kind_, 0);
        msg_ = new cMessage(name_, kind_, 0);
        return msg_;
    }

    const char* name_;
    int kind_;
    cMessage* msg_ = nullptr;
};
