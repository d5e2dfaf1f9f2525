#pragma once

#include <string>
#include <utility>
#include <vector>

class cModule;

// What a compound module looks like from inside, worked out from the display
// strings of the compound, its submodules and their connections. Positions
// are box centres in canvas pixels; the compound's border is the rectangle
// from (0, 0) to (width, height).
struct DrawnModule {
    int id;
    std::string name; // full name, with the index of a vector element
    std::string type;
    std::string icon; // the "i" tag; empty when none is given
    double x, y, w, h;
};

// One of the compound's own gates, on its border next to the submodule it
// leads to. `side` is 'l', 'r', 't' or 'b'.
struct DrawnGate {
    int id;
    std::string name;
    double x, y;
    char side;
};

// A connection between two boxes, or between a box and one of the
// compound's gates (that end has id -1). The line runs from (x1, y1) through
// the bends to (x2, y2). `key` names the connection by its source gate, the
// same in every picture and in a message's path.
struct DrawnConnection {
    int fromId, toId;
    std::string gateName; // source gate's full name
    std::string colour;
    double x1, y1, x2, y2;
    std::vector<std::pair<double, double>> bends;
    std::string key;
};

// What the cables of one colour join, for the picture's legend.
struct LegendEntry {
    std::string colour;
    std::string text;
};

struct CompoundPicture {
    double width, height;
    std::string background;
    std::vector<DrawnModule> modules;
    std::vector<DrawnGate> gates;
    std::vector<DrawnConnection> connections;
    std::vector<LegendEntry> legend;
};

CompoundPicture draw_compound(const cModule& compound);

// The connections a message sent from `senderGateId` of module `senderId`
// to `arrivalGateId` of `arrivalId` runs along, in order: each as the id of
// the compound whose picture draws it and the connection's key. Empty for a
// self-message or a message sent without gates.
struct PathHop {
    int compoundId;
    std::string key;
};
std::vector<PathHop> message_path(int senderId, int senderGateId, int arrivalId, int arrivalGateId);
