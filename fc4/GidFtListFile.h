#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cModule;

// The id-list file of a GID_FT accept: the switch's name server writes the
// N_Port identifiers it lets the requester see, in decimal, separated by
// white space. The accept announces how many there are.
//
// Reads the first `entryNum` identifiers in file order. A file that cannot
// be opened, holds fewer identifiers than announced or holds something that
// is not a 24-bit unsigned decimal number where an identifier should be
// stops the run through `reader` with a message naming the file.
std::vector<std::uint32_t> read_gid_ft_list(const cModule* reader, const std::string& fileName, int entryNum);
