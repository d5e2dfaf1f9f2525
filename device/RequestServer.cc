#include "device/RequestServer.h"

#include <utility>

#include "messages/MsgKinds.h"
#include "sim/cMessage.h"
#include "sim/cSimpleModule.h"

RequestServer::RequestServer(const char* queueName, Serve serve, HasWork hasWork)
    : queue_(queueName), serve_(std::move(serve)), hasWork_(std::move(hasWork))
{
}

void RequestServer::submit(cMessage* msg)
{
    queue_.insert(msg);
    if (!busy_)
        serve_();
}

void RequestServer::start_if_idle()
{
    if (!busy_ && has_work())
        serve_();
}

void RequestServer::release()
{
    busy_ = false;
    if (has_work())
        serve_();
}

cMessage* RequestServer::take_next()
{
    busy_ = true;
    return static_cast<cMessage*>(queue_.pop());
}

void schedule_next_msg(cSimpleModule* module)
{
    module->scheduleAt(module->simTime(), new cMessage("NEXT_MSG", NEXT_MSG, 0));
}
