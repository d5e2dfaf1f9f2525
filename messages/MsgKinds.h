#pragma once

// The program-wide message kinds (MsgKinds.def). Modules dispatch on these;
// a message's name is only for display.
#define KIND(number, NAME, Class) NAME = number,
enum MsgKind {
#include "messages/MsgKinds.def"
};

// One row of the table: a kind number, one of its names and the class that
// carries it ("cMessage" for plain messages).
struct MsgKindEntry {
    int kind;
    const char* name;
    const char* className;
};

// Every row of the table in number order; a shared number has one row per
// name.
extern const MsgKindEntry msgKindTable[];
extern const int msgKindTableSize;

// The name of a kind for logs and inspectors, or null for a number that is
// not a kind. A number shared by several names gives all of them joined by
// '|' in table order (1 gives "FC_ELS_ABTX|FC_ELS_ABTX_ACC|...|FRM_TXI_COST"):
// the number alone does not tell which member a message is, and the message's
// own name does.
const char* msgKindName(int kind);

// The kind that carries a name, or -1 when no kind has that name.
int msgKindByName(const char* name);
