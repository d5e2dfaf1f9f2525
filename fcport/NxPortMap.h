#pragma once

class cModule;

// The run-wide N_Port map, named by the root's `nxPortMapFile`: one row per
// node port, written when the port first takes an N_Port address, numbered by
// the root's `actvNxPortNum`.

// The port compound at the far end of a port's cable: two levels above the
// module that the link leaving the port's transmitter (`Fc1.Tx`) reaches.
// Null when the port has no such link.
cModule* far_end_port(const cModule* port);

// Appends `port`'s row with the address it took; the first row of the run
// (root `nxPortMapNew` true) starts the file afresh with its header.
// `writer` is the port's FC-2 controller.
void write_nx_port_map_row(const cModule* writer, cModule* port, unsigned long addressId);
