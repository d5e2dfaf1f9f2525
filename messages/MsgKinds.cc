#include "messages/MsgKinds.h"

#include <cstring>
#include <string>
#include <vector>

#define KIND(number, NAME, Class) {number, #NAME, #Class},
const MsgKindEntry msgKindTable[] = {
#include "messages/MsgKinds.def"
};
const int msgKindTableSize = static_cast<int>(sizeof(msgKindTable) / sizeof(msgKindTable[0]));

namespace {

// Display names indexed by kind, built on first use; empty for unused numbers.
const std::vector<std::string>& displayNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v(msgKindTable[msgKindTableSize - 1].kind + 1);
        for (int i = 0; i < msgKindTableSize; i++) {
            std::string& s = v[msgKindTable[i].kind];
            if (!s.empty())
                s += '|';
            s += msgKindTable[i].name;
        }
        return v;
    }();
    return names;
}

} // namespace

const char* msgKindName(int kind)
{
    const std::vector<std::string>& names = displayNames();
    if (kind < 0 || kind >= static_cast<int>(names.size()) || names[kind].empty())
        return nullptr;
    return names[kind].c_str();
}

int msgKindByName(const char* name)
{
    if (!name)
        return -1;
    for (int i = 0; i < msgKindTableSize; i++)
        if (std::strcmp(msgKindTable[i].name, name) == 0)
            return msgKindTable[i].kind;
    return -1;
}
