#include "tests/fc4/TestSwitchDispatcher.h"

#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"

TestSwitchDispatcher::TestSwitchDispatcher(const char* name, cModule* parent)
    : cSimpleModule(name, parent, 65536), waiting_("WAITING")
{
    for (const char* g : {"from_up", "from_fcels", "from_fcgs"})
        addGate(g, 'I');
    for (const char* g : {"to_up", "to_fcels", "to_fcgs"})
        addGate(g, 'O');
}

void TestSwitchDispatcher::serveNext()
{
    if (busy_ || waiting_.empty())
        return;
    auto* msg = static_cast<cMessage*>(waiting_.pop());
    busy_ = true;
    const bool toEls = msg->kind() == ISSUE_RSCN ||
                       (msg->kind() == FC_SEQ_PAYLOAD && static_cast<FcSeqPayload*>(msg)->getType() == TYPE_ELS);
    send(msg, toEls ? "to_fcels" : "to_fcgs");
}

void TestSwitchDispatcher::activity()
{
    for (;;) {
        cMessage* msg = receive();
        if (msg->arrivedOn("from_up")) {
            waiting_.insert(msg);
            serveNext();
        } else if (msg->kind() == NEXT_MSG) {
            delete msg;
            busy_ = false;
            serveNext();
        } else {
            send(msg, "to_up");
        }
    }
}
