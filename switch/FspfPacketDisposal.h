#pragma once

class cMessage;

// What an FSPF packet owns besides itself. A link-state update names the
// temporary file of its link-state records by address (`lsuFileNamePtr`), a
// copy that the update owns: whoever discards an undelivered update frees the
// name with it. An acknowledgement copies the address of the update it
// answers and owns nothing.
//
// Frees the file name of `msg` when it is an FSPF link-state update and
// clears the field; any other message is left as it is.
void release_lsu_file_name(cMessage* msg);
