#include "tests/fuzz/FuzzBed.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "sim/ExecuteOnStartup.h"

namespace {

std::filesystem::path& directory()
{
    static std::filesystem::path dir;
    return dir;
}

void remove_directory()
{
    std::error_code ec;
    std::filesystem::remove_all(directory(), ec);
}

} // namespace

// Module types and classes register themselves once, before the first input.
// Module output and the warnings said on stderr are not looked at: they
// would only slow the fuzzer down and bury its own output.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ExecuteOnStartup::executeAll();
    ev.setDisabled(true);
    std::cerr.rdbuf(nullptr);
    return 0;
}

std::string fuzz_path(const std::string& name)
{
    if (directory().empty()) {
        // libFuzzer may end the process without running exit handlers, so
        // the directory goes under TMPDIR, which run-fuzzer removes.
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora_fuzz_XXXXXX";
        if (!mkdtemp(&pattern[0]))
            fuzz_failure("cannot make a working directory");
        directory() = pattern;
        std::atexit(remove_directory);
    }
    return (directory() / name).string();
}

std::string write_input(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = fuzz_path(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<long>(size));
    return path;
}

cModule* new_fuzz_root()
{
    simulation.deleteNetwork();
    cModule* root = new cCompoundModule("Velmora", nullptr);
    simulation.setSystemModule(root);
    root->addPar("rootFlag").setBoolValue(true);
    root->addPar("warningsFile").setStringValue(fuzz_path("Warnings.txt").c_str());
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsCnt").setLongValue(0);
    return root;
}

cModule* fuzz_module(const char* name, cModule* parent, int index, int size)
{
    cModule* mod = new cCompoundModule(name, parent);
    if (index >= 0)
        mod->setIndex(index, size);
    return mod;
}

void fuzz_failure(const char* what)
{
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}
