#include "switch/SwitchOutbox.h"

#include "messages/MessageOwnership.h"

SwitchOutbox::~SwitchOutbox()
{
    for (const Entry& e : entries_)
        discard_message(e.msg);
}

std::vector<SwitchOutbox::Entry> SwitchOutbox::take()
{
    std::vector<Entry> taken;
    taken.swap(entries_);
    return taken;
}
