#pragma once

#include <array>
#include <string>
#include <unordered_set>

// What a row of the run's warnings log reports: a condition the run goes on
// past (a warning), a worse one (an alert), or a plain notice of progress,
// such as a path made.
enum class LogKind : unsigned char { WARNING, ALERT, NOTICE };

// The text that opens a row of `kind`: "WARNING: ", "ALERT: " or "NOTICE: ".
const char* opening_of(LogKind kind);

// The run's warnings log as the run keeps it: the rows written, by kind, and
// the warnings given once. There is one per run: the first use in a run makes
// it, and it goes with the network, so a network set up afresh (the
// graphical program's Restart) starts with none. The rows themselves are
// written by the modules (device/WarningsLog.h).
class RunLog {
  public:
    static RunLog& of_run();
    ~RunLog();

    void count(LogKind kind) { ++rows_[static_cast<size_t>(kind)]; }
    long rows() const { return rows_of(LogKind::WARNING) + rows_of(LogKind::ALERT) + rows_of(LogKind::NOTICE); }
    long rows_of(LogKind kind) const { return rows_[static_cast<size_t>(kind)]; }
    // The rows that tell of something wrong: warnings and alerts.
    long warnings() const { return rows_of(LogKind::WARNING) + rows_of(LogKind::ALERT); }

    // True the first time in the run that `what` is asked for, false after:
    // a condition that several modules meet in one file is told once.
    bool first_time(const std::string& what) { return given_.insert(what).second; }

  private:
    std::array<long, 3> rows_{};
    std::unordered_set<std::string> given_;
};
