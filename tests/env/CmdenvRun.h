#pragma once

#include <string>
#include <vector>

// One whole run of the command-line environment, as the program makes it:
// the ini text goes to "omnetpp.ini" in the current directory and is named
// with -f, and the run's exit code and console output are kept.
struct CmdenvOutcome {
    int rc;
    std::string out;
    std::string err;
};

CmdenvOutcome runCmdenv(const std::string& ini, std::vector<std::string> args = {});

// The same with exactly these arguments after the program name.
CmdenvOutcome runCmdenvWith(std::vector<std::string> args);
