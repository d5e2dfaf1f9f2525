#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "sim/Sim.h"

// Small helpers that the test programs share: files of the working
// directory, the error a run stops with, report columns and bare modules.

void writeFile(const std::string& name, const std::string& text);
// The whole file; empty when it cannot be read.
std::string readFile(const std::string& name);
std::vector<std::string> readLines(const std::string& name);

// Initialises the network, runs it and, after a normal end, finishes it.
RunOutcome runToFinish();

// The text of the error that `f` stops the run with; empty when it does not.
std::string errorOf(const std::function<void()>& f);
// The same, noting in `errorModule` the path of the module that raised it.
std::string errorOf(const std::function<void()>& f, std::string& errorModule);

// `text` left-justified in a column of `width`.
std::string col(const std::string& text, std::size_t width);
// `value` with `decimals` places, left-justified in a column of `width`.
std::string num(double value, int decimals, std::size_t width);

// Lines of the run's timing file, each with its line end: the two header
// lines, the rule that closes a model's rows, and one row of a task's mean
// time (`processor` and `target` are named on a model's first row only).
std::string timingHeader();
std::string timingRule();
std::string timingRow(const std::string& task, const std::string& us, const std::string& processor = "",
                      const std::string& target = "");

// A compound module without a type under `parent`; an index of 0 or more
// makes it element `index` of a vector of `size`.
cModule* compound(const char* name, cModule* parent, int index = -1, int size = 1);

// A new root "Velmora", the system module from now on, with `rootFlag` set;
// the fixture adds the run-wide parameters its modules read.
cModule* newVelmoraRoot();
