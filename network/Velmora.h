#pragma once

class cModule;

// The network type "Velmora": its set-up creates the root module "Velmora" of
// type NetworkTestBed, gives the root's state parameters their first values,
// reads the root's settings from "omnetpp.ini" and builds the whole tree.
struct Velmora {
    static void setupNetwork();
};

// The set-up of a root module named "Velmora" of type `typeName` (the
// network's set-up uses "NetworkTestBed"); the root becomes the system module.
cModule* setup_root(const char* typeName);
