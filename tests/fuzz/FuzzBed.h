#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/Sim.h"

// What the fuzz harnesses share: a private directory for the files they
// write, and a fresh root module "Velmora" for each input. The fuzzer reads
// its corpus by relative paths, so the current directory stays as it is.

// The full path of `name` in the private directory, made on first use and
// removed when the process ends.
std::string fuzz_path(const std::string& name);

// Writes the input as the file `name` in the private directory and returns
// its full path.
std::string write_input(const std::string& name, const uint8_t* data, size_t size);

// Deletes whatever network there was and makes a new root with `rootFlag`
// and the settings of the warnings log. Readers warn through a module below
// the root, as in a run.
cModule* new_fuzz_root();

// A compound module `name` (element `index` of a vector of `size` when
// `index` is not negative) inside `parent`.
cModule* fuzz_module(const char* name, cModule* parent, int index = -1, int size = 0);

// Ends the process loudly: a property that must hold for any input did not.
[[noreturn]] void fuzz_failure(const char* what);
