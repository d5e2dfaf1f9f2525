#pragma once

#include <string>

class cModule;

// Run-wide state lives in parameters of the root module "Velmora". These are
// the shared ways every module reaches and uses it.

// The root: the first module above `module` (starting with its parent) that
// has the parameter `rootFlag`. A module keeps the result for the whole run.
cModule* find_root(const cModule* module);

// Takes a number from the root's long counter `counter`: returns its value v
// and leaves v + 1 behind, so the first taker gets the first value and no two
// takers get the same number.
long take_a_number(cModule* root, const char* counter);

// The root's `defConCurrSeq`, the sequences a port may have open at once per
// exchange pair before a login agrees on more; a value outside [1,255] stops
// the run on `module`.
long def_con_curr_seq(const cModule* module, cModule* root);

// The name of the next temporary file of a kind: `progDataDir` + prefix + the
// number taken from `counter` + ".tmp", e.g. take_temp_file_name(root,
// "lunListFileId", "LunList") gives the first LUN list ".../LunList10000.tmp".
std::string take_temp_file_name(cModule* root, const char* counter, const char* prefix);

// Removes the run's temporary files, those whose path is `progDataDir`
// followed by any name ending in ".tmp", once per run: the root's
// `tmpFilesDeleted` records that it was done. Called at the end of a run and
// for a run that is interrupted.
void remove_temporary_files(cModule* root);

// Files shared by all writers of a kind follow the first-writer rule of
// open_shared_output (device/OutputFile.h).
