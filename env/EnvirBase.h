#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "sim/cIniFile.h"

class cRuntimeError;

// What every run-time environment shares: it runs the start-up list, reads
// "omnetpp.ini", applies the run-wide settings of its [General] section, sets
// up the network named there and tears it down again. The command-line and
// graphical environments differ only in how they drive the run.
class EnvirBase {
  public:
    virtual ~EnvirBase() = default;
    // The program's whole life; returns its exit code.
    int main(int argc, char** argv);

  protected:
    // Parses the environment's own options; returns false for a bad one.
    virtual bool parseOption(const std::string& arg) = 0;
    virtual void printUsage(std::ostream& out) const = 0;
    // Runs once the options are read, before the configuration is read and
    // the network set up; false, with the reason printed, ends the program
    // with exit code 1.
    virtual bool prepareForSetUp() { return true; }
    // Drives the set-up network: initialise, run, finish. Returns the exit code.
    virtual int runNetwork() = 0;
    // The network's set-up stopped with `e`, leaving what it had built;
    // returns the exit code. The base reports the error.
    virtual int setupFailed(const cRuntimeError& e);

    // Whether this environment reads `section`, and `key` in it; a setting
    // that nothing reads is warned about, so that a misspelt one does not
    // go unnoticed. The base knows [General] and [Parameters].
    virtual bool knowsSection(const std::string& section) const;
    virtual bool knowsSetting(const std::string& section, const std::string& key) const;

    void printError(const cRuntimeError& e) const;
    // Every registered network, module type, class and enumeration.
    static void printRegistrations(std::ostream& out);

    // Once every module is initialised and before the first event: a
    // warning for each parameter line that no parameter took its value from
    // (a misspelt name, a parameter that is not read from the ini, or a line
    // behind an earlier one that matches the same parameters). After a
    // set-up that failed part-way (`setUpComplete` false), the lines of
    // parameters not yet looked up are passed over unless no module type has
    // a parameter of their name.
    void warnUnusedParameterLines(bool setUpComplete = true) const;

    // Seeds, limits and stack size from [General]; again on each restart.
    void applyGeneralSettings();

    // The program's own name, as it was started, for its usage text.
    std::string programName_;
    std::string iniFileName_ = "omnetpp.ini";
    std::vector<std::string> extraIniLines_;
    cIniFile ini_;

  private:
    void warnUnknownSettings() const;
    void warnRepeatedSettings() const;
    static bool isDeclaredParameterName(const std::string& key);
    uint64_t readSeed(const char* key, long fallback) const;
    double readTimeLimit(const char* key, double fallback) const;
    void reportLeaks() const;

    long liveAtStart_ = 0;
};
