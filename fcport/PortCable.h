#pragma once

class cModule;

// The answer to a primitive sequence reaches a port one round trip of its
// cable after the sequence left, at the soonest, and one sequence's line time
// later when the far transmitter is still sending the sequence it sent an
// instant before (as at the end of speed negotiation and in the link reset
// handshake). A port whose R_T_TOV runs out by then times out of each
// handshake and never stays active, so its row is refused at set-up, naming
// the port, its row, the cable and its round trip. Each end is checked once
// both have read their rows, since the line runs at the lower of the two
// speeds. `reader` is the FC-2 controller of `port`, which has just read its
// row; a port without a cable to another port is left alone.
void refuse_rttov_within_round_trip(const cModule* reader, cModule* port);
