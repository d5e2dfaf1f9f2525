#pragma once

#include <string>

class cModule;

// A setting that the run survives but that drops work the user asked for
// (a LUN never made, I/Os that can never be issued) must not pass unseen:
// the text, which begins "WARNING: ", goes as a row to the warnings log and
// as a line, with the module's path, to the standard error stream.
void warn_user(const cModule* mod, const std::string& text);
