#pragma once

#include <vector>

// A frame a switch centre routed: its head as handed to the output port,
// with the domains it has crossed where the watcher records them.
struct RoutedFrame {
    double time;
    int from, to;
    unsigned long sId, dId;
    unsigned type, rCtl;
    unsigned long payLen;
    std::vector<long> hops;
};
