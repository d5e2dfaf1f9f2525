#pragma once

#include <filesystem>

// Makes a new folder for one benchmark run, named `stem` plus six random
// characters, in $TMPDIR when it is set and in /tmp otherwise; an empty path
// when it cannot. The runs write their outputs there, so the file system
// under it is part of what they measure: a run in a folder on tmpfs
// (TMPDIR=/dev/shm) measures the model without the disk.
std::filesystem::path make_scratch_folder(const char* stem);
