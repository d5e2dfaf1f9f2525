#pragma once

#include <string>

class cModule;

// A run passes thousands of temporary files from writer to reader (link-state
// updates, port lists, LUN answers), and each is removed once read. Creating
// and deleting a file each time makes the file system allocate and free an
// inode each time, which on a busy disk costs more than all the writing (a
// file system without a journal scans past every inode freed in the last few
// minutes, of this run and of the run before). So a file read is not unlinked
// but renamed to a spare name, and the next temporary file takes a spare over
// by renaming it to its own name; its writer then writes over it
// (OutputStream::overwriting). Spares
// are named `progDataDir` + "Spare" + number + ".tmp", so that the end-of-run
// clean-up of the run's temporary files removes them with the rest, even those of a run that
// died.

// Removes the temporary file `path` of the run under `root`: no file by that
// name is left behind.
void remove_temp_file(cModule* root, const std::string& path);

// Puts a spare, when there is one, at `path`, the name of a new temporary file
// about to be written.
void reuse_spare_temp_file(cModule* root, const std::string& path);

// Forgets the spares of the run under `root`, whose temporary files the
// clean-up has just removed.
void forget_spare_temp_files(cModule* root);
