#pragma once

#include "env/EnvirBase.h"

// The command-line environment: runs the network without interaction,
// printing module output (unless in express mode) on stdout and a progress
// line on stderr at most once a second (unless quiet).
class Cmdenv : public EnvirBase {
  protected:
    bool parseOption(const std::string& arg) override;
    void printUsage(std::ostream& out) const override;
    int runNetwork() override;
    bool knowsSection(const std::string& section) const override;
    bool knowsSetting(const std::string& section, const std::string& key) const override;

  private:
    void progress(bool force);

    int expressOverride_ = -1; // -1: as the ini says
    bool quiet_ = false;
    double lastProgress_ = 0;
};
