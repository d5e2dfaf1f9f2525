#include "tests/env/CmdenvRun.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "env/cmd/Cmdenv.h"
#include "sim/Sim.h"
#include "tests/shared/TestHelpers.h"

CmdenvOutcome runCmdenvWith(std::vector<std::string> args)
{
    std::vector<std::string> argv{"velmora_cmd"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv)
        raw.push_back(&a[0]);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int rc;
    {
        Cmdenv env;
        rc = env.main(static_cast<int>(raw.size()), raw.data());
    }
    std::fflush(stdout);
    ev.setDisabled(false);
    std::string out = testing::internal::GetCapturedStdout();
    return CmdenvOutcome{rc, out, testing::internal::GetCapturedStderr()};
}

CmdenvOutcome runCmdenv(const std::string& ini, std::vector<std::string> args)
{
    writeFile("omnetpp.ini", ini);
    std::vector<std::string> all{"-f", "omnetpp.ini", "--quiet"};
    all.insert(all.end(), args.begin(), args.end());
    return runCmdenvWith(all);
}
