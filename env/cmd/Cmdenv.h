#pragma once

#include <memory>
#include <ostream>

#include "env/EnvirBase.h"
#include "env/cmd/LineTrackingBuffer.h"
#include "sim/cEventObserver.h"

// The command-line environment: runs the network without interaction,
// printing module output (unless in express mode) on stdout and a progress
// line on stderr at most once a second (unless quiet). Outside express mode
// each event's output is headed by a banner naming the event, its time and
// its module; in express mode no observer is set, so events cost nothing.
class Cmdenv : public EnvirBase, private cEventObserver {
  protected:
    bool parseOption(const std::string& arg) override;
    void printUsage(std::ostream& out) const override;
    // Ctrl-C and SIGTERM are caught from here on: one that comes while the
    // network is set up stops the run before its first event.
    bool prepareForSetUp() override;
    int runNetwork() override;
    bool knowsSection(const std::string& section) const override;
    bool knowsSetting(const std::string& section, const std::string& key) const override;

  private:
    void progress(bool force);
    // The system module's summary of a run that ended, on stderr; when quiet,
    // only if it reports something that went wrong.
    void printClosingLine();
    bool beforeEvent(const cMessage& next) override;

    int expressOverride_ = -1; // -1: as the ini says
    bool quiet_ = false;
    double lastProgress_ = 0;
    // Module output outside express mode, on stdout through a buffer that
    // knows whether the last line was ended.
    std::unique_ptr<LineTrackingBuffer> outputBuffer_;
    std::unique_ptr<std::ostream> output_;
};
