#include "fcport/FrameParts.h"

#include <string>

#include "messages/MessageOwnership.h"
#include "sim/cModule.h"

void refuse_part(const cModule* mod, cMessage* msg, const char* className)
{
    const std::string name = msg->name();
    discard_message(msg);
    mod->error("ERROR: %s is not a %s", name.c_str(), className);
}

void refuse_non_part(const cModule* mod, cMessage* msg)
{
    const std::string name = msg->name();
    discard_message(msg);
    mod->error("ERROR: %s is not a frame part", name.c_str());
}
