#include "env/EnvirBase.h"

#include <csignal>
#include <iostream>
#include <new>

#include "sim/Sim.h"

namespace {

std::string program_name(const char* argv0)
{
    if (!argv0 || !*argv0)
        return "velmora_cmd";
    std::string path = argv0;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int EnvirBase::main(int argc, char** argv)
{
    liveAtStart_ = cMessage::liveMessageCount();
    // A write past the file-size limit then fails as any failed write does,
    // and the run ends with its message instead of being killed.
    std::signal(SIGXFSZ, SIG_IGN);
    programName_ = program_name(argc > 0 ? argv[0] : nullptr);
    try {
        ExecuteOnStartup::executeAll();
    } catch (const cRuntimeError& e) {
        printError(e);
        return 1;
    }
    bool iniFileGiven = false;
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
            if (iniFileGiven) {
                std::cerr << "<!> Error: -f is given twice (" << iniFileName_ << " and " << argv[i]
                          << "): a run reads one configuration file\n";
                printUsage(std::cerr);
                return 1;
            }
            iniFileName_ = argv[i];
            iniFileGiven = true;
        } else if (!parseOption(arg)) {
            std::cerr << "<!> Error: unknown option " << arg << "\n";
            printUsage(std::cerr);
            return 1;
        }
    }

    if (!prepareForSetUp())
        return 1;
    int rc = 1;
    try {
        ini_.readFile(iniFileName_);
        warnUnknownSettings();
        applyGeneralSettings();
        simulation.setIniFile(&ini_);
        std::string network = ini_.getAsString("General", "network", "");
        if (network.empty())
            throwError("No network given: set network = ... in the [General] section of %s", iniFileName_.c_str());
        bool built = false;
        try {
            simulation.setupNetwork(network.c_str());
            built = true;
        } catch (const cRuntimeError& e) {
            rc = setupFailed(e);
        }
        if (built)
            rc = runNetwork();
    } catch (const cRuntimeError& e) {
        printError(e);
        rc = 1;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "<!> Error: Not enough memory for the run\n";
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

namespace {

// The largest stack a coroutine may ask for: far beyond what any module
// needs, and still something the machine can reserve for every module.
constexpr long MAX_STACK_SIZE = 1L << 30;

bool isParameterAssignment(const std::string& key)
{
    return key.find('.') != std::string::npos;
}

bool isGeneratorSeedKey(const std::string& key)
{
    for (int k = 0; k < NUM_RANDOM_GENERATORS; ++k)
        if (key == "gen" + std::to_string(k) + "-seed")
            return true;
    return false;
}

} // namespace

bool EnvirBase::knowsSection(const std::string& section) const
{
    return section == "General" || section == "Parameters";
}

bool EnvirBase::knowsSetting(const std::string& section, const std::string& key) const
{
    if (section == "Parameters")
        return isParameterAssignment(key);
    if (section != "General")
        return false;
    static const char* const settings[] = {"network", "seed", "sim-time-limit", "cpu-time-limit", "min-stack-size"};
    for (const char* s : settings)
        if (key == s)
            return true;
    return isParameterAssignment(key) || isGeneratorSeedKey(key);
}

// Whether some module type has a parameter that the last part of `key`
// (after its last '.') can name.
bool EnvirBase::isDeclaredParameterName(const std::string& key)
{
    const std::string name = key.substr(key.rfind('.') + 1);
    for (size_t i = 0; i < modinterfaces.size(); ++i)
        for (const cModuleInterface::ParamDecl& p : modinterfaces.at(i)->params())
            if (cIniFile::matchPattern(name.c_str(), p.name.c_str()))
                return true;
    return false;
}

void EnvirBase::warnUnknownSettings() const
{
    for (const cIniFile::Heading& h : ini_.headings())
        if (!knowsSection(h.section))
            std::cerr << "<!> Warning: unknown section [" << h.section << "] at " << h.file << " line " << h.line
                      << ": its settings are ignored\n";
    for (const cIniFile::Entry& e : ini_.entries())
        if (knowsSection(e.section) && !knowsSetting(e.section, e.key))
            std::cerr << "<!> Warning: unknown setting " << e.key << " in section [" << e.section << "] at " << e.file
                      << " line " << e.line << ": it is ignored\n";
    warnRepeatedSettings();
}

// A repeated parameter line shows as shadowed once the parameters are read.
void EnvirBase::warnRepeatedSettings() const
{
    for (const cIniFile::Entry& e : ini_.entries()) {
        if (!knowsSection(e.section) || !knowsSetting(e.section, e.key) || isParameterAssignment(e.key))
            continue;
        if (const cIniFile::Entry* first = ini_.earlierSetting(e))
            std::cerr << "<!> Warning: " << e.key << " in section [" << e.section << "] at " << e.file << " line "
                      << e.line << " repeats the setting at " << first->file << " line " << first->line
                      << ", whose value is used: it is ignored\n";
    }
}

void EnvirBase::warnUnusedParameterLines(bool setUpComplete) const
{
    for (const cIniFile::Entry* e : ini_.unmatchedParameterLines())
        if (setUpComplete || !isDeclaredParameterName(e->key))
            std::cerr << "<!> Warning: no parameter matches " << e->key << " in section [" << e->section << "] at "
                      << e->file << " line " << e->line << ": it is ignored\n";
    for (const cIniFile::Entry* e : ini_.shadowedParameterLines()) {
        const cIniFile::Entry& first = ini_.entries()[static_cast<size_t>(e->shadowedBy)];
        std::cerr << "<!> Warning: " << e->key << " in section [" << e->section << "] at " << e->file << " line "
                  << e->line << " is shadowed by the earlier line " << first.key << " at " << first.file << " line "
                  << first.line << ", which gives every parameter it matches its value: it is ignored\n";
    }
}

uint64_t EnvirBase::readSeed(const char* key, long fallback) const
{
    long seed = ini_.getAsLong("General", key, fallback);
    if (seed < 0)
        ini_.badValue(*ini_.find("General", key), "must be at least 0");
    return static_cast<uint64_t>(seed);
}

double EnvirBase::readTimeLimit(const char* key, double fallback) const
{
    double t = ini_.getAsDouble("General", key, fallback);
    if (t < 0)
        ini_.badValue(*ini_.find("General", key), "must not be negative");
    return t;
}

void EnvirBase::applyGeneralSettings()
{
    seedRandomGenerators(readSeed("seed", 1));
    for (int k = 0; k < NUM_RANDOM_GENERATORS; ++k) {
        std::string key = "gen" + std::to_string(k) + "-seed";
        if (ini_.exists("General", key.c_str()))
            setRandomSeed(k, readSeed(key.c_str(), 0));
    }
    simulation.setSimTimeLimit(readTimeLimit("sim-time-limit", MAXTIME));
    simulation.setCpuTimeLimit(readTimeLimit("cpu-time-limit", 0));
    long stack = ini_.getAsLong("General", "min-stack-size", 256 * 1024);
    if (stack < 64 * 1024)
        throwError("min-stack-size in [General] must be at least 65536 bytes, not %ld", stack);
    if (stack > MAX_STACK_SIZE)
        throwError("min-stack-size in [General] must be at most %ld bytes, not %ld", MAX_STACK_SIZE, stack);
    simulation.setMinStackSize(static_cast<size_t>(stack));
}

int EnvirBase::setupFailed(const cRuntimeError& e)
{
    printError(e);
    warnUnusedParameterLines(false);
    return 1;
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
