#pragma once

#include <string>

// File names that travel by address in a message field (the GID_FT id-list
// of a name-server accept): the builder allocates a copy of the name and the
// module that finally reads it takes the name and frees the copy.

// A new copy of `path`, as the address to put in the field.
long new_file_name_string(const std::string& path);

// The name at `address`, freeing it; 0 gives the empty name.
std::string take_file_name_string(long address);

// The name at `address`, left in place for its reader; 0 gives the empty
// name.
std::string peek_file_name_string(long address);

// Frees the name at `address` unread (a discarded message's name); 0 is
// ignored.
void free_file_name_string(long address);
