#include "env/EnvirBase.h"

#include <iostream>

#include "sim/Sim.h"

int EnvirBase::main(int argc, char** argv)
{
    liveAtStart_ = cMessage::liveMessageCount();
    try {
        ExecuteOnStartup::executeAll();
    } catch (const cRuntimeError& e) {
        printError(e);
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            printUsage(std::cout);
            printRegistrations(std::cout);
            return 0;
        }
        if (arg == "-f") {
            if (++i == argc) {
                std::cerr << "<!> Error: -f needs a file name\n";
                return 1;
            }
            iniFileName_ = argv[i];
        } else if (!parseOption(arg)) {
            std::cerr << "<!> Error: unknown option " << arg << "\n";
            printUsage(std::cerr);
            return 1;
        }
    }

    int rc = 1;
    try {
        ini_.readFile(iniFileName_);
        applyGeneralSettings();
        simulation.setIniFile(&ini_);
        std::string network = ini_.getAsString("General", "network", "");
        if (network.empty())
            throwError("No network given: set network = ... in the [General] section of %s",
                       iniFileName_.c_str());
        simulation.setupNetwork(network.c_str());
        rc = runNetwork();
    } catch (const cRuntimeError& e) {
        printError(e);
        rc = 1;
    }
    try {
        simulation.deleteNetwork();
    } catch (const cRuntimeError& e) {
        printError(e);
        rc = 1;
    }
    reportLeaks();
    return rc;
}

void EnvirBase::applyGeneralSettings()
{
    seedRandomGenerators(static_cast<uint64_t>(ini_.getAsLong("General", "seed", 1)));
    for (int k = 0; k < NUM_RANDOM_GENERATORS; ++k) {
        std::string key = "gen" + std::to_string(k) + "-seed";
        if (ini_.exists("General", key.c_str()))
            setRandomSeed(k, static_cast<uint64_t>(ini_.getAsLong("General", key.c_str(), 0)));
    }
    simulation.setSimTimeLimit(ini_.getAsDouble("General", "sim-time-limit", MAXTIME));
    simulation.setCpuTimeLimit(ini_.getAsDouble("General", "cpu-time-limit", 0));
    long stack = ini_.getAsLong("General", "min-stack-size", 256 * 1024);
    if (stack < 64 * 1024)
        throwError("min-stack-size in [General] must be at least 65536 bytes, not %ld", stack);
    simulation.setMinStackSize(static_cast<size_t>(stack));
}

void EnvirBase::printError(const cRuntimeError& e) const
{
    std::cout.flush();
    if (!e.modulePath().empty())
        std::cerr << "<!> Error in module " << e.modulePath() << ": " << e.what() << "\n";
    else
        std::cerr << "<!> Error: " << e.what() << "\n";
}

void EnvirBase::printRegistrations(std::ostream& out)
{
    out << "\nNetworks:\n";
    for (size_t i = 0; i < networks.size(); ++i)
        out << "  " << networks.at(i)->name() << "\n";
    out << "Module types:\n";
    for (size_t i = 0; i < modtypes.size(); ++i)
        out << "  " << modtypes.at(i)->name() << "\n";
    out << "Classes:\n";
    for (size_t i = 0; i < classes.size(); ++i)
        out << "  " << classes.at(i)->name() << "\n";
    out << "Enumerations:\n";
    for (size_t i = 0; i < enums.size(); ++i)
        out << "  " << enums.at(i)->name() << "\n";
}

void EnvirBase::reportLeaks() const
{
    long alive = cMessage::liveMessageCount() - liveAtStart_;
    if (alive > 0)
        std::cerr << "WARNING: " << alive << " message(s) still alive at the end of the run (leaked)\n";
}
