#pragma once

#include <string>
#include <vector>

class cModule;

// What a compound module looks like from inside, worked out from the display
// strings of the compound, its submodules and their connections. Positions
// are box centres in canvas pixels.
struct DrawnModule {
    int id;
    std::string name; // full name, with the index of a vector element
    std::string type;
    std::string icon; // the "i" tag; empty when none is given
    double x, y, w, h;
};

// A connection between two boxes; an end at the compound's own gate has id
// -1 and sits on the picture's left (inputs) or right (outputs) border.
struct DrawnConnection {
    int fromId, toId;
    std::string gateName; // source gate's full name
    std::string colour;
    double x1, y1, x2, y2;
};

struct CompoundPicture {
    double width, height;
    std::string background;
    std::vector<DrawnModule> modules;
    std::vector<DrawnConnection> connections;
};

CompoundPicture draw_compound(const cModule& compound);
