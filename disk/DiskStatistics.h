#pragma once

#include <ostream>

#include "disk/MediaAccess.h"
#include "sim/cPar.h"

class cModule;

// A disk's counts: each kept as a run total in a parameter of the disk (the
// loop port's finish table reads them) and as an interval count that each
// ".DskStat" row reports and clears.
class DiskStatistics {
  public:
    // Adds the run-total parameters to `disk`, all 0.
    void publish_on(cModule* disk);

    void count_request(bool write);
    void count_completion(bool write, double secRespSeconds);
    void count_batch(long queLen);
    void count_move(HeadMove move);

    // Sector requests taken in and completions given back, over the run.
    long requests() const { return allRequests_; }
    long completions() const { return allCompletions_; }

    static void write_header(std::ostream& out);
    // One row for the interval ending `nowMs`, then a fresh interval.
    void write_row(std::ostream& out, double nowMs, long dskSecSize);

  private:
    enum Counter {
        RD_SEC_REQ,
        WR_SEC_REQ,
        RD_SEC_COM,
        WR_SEC_COM,
        QUE_LEN_SUM,
        QUE_ACT_CNT,
        ZERO_CYL_MOVE,
        NONE_ZERO_CYL_MOVE,
        HEAD_SW_SEC,
        CYL_SW_SEC,
        COUNTERS
    };
    // Inline: a disk counts three to four times per sector it serves.
    void add(Counter c, long n = 1)
    {
        totals_[c]->setLongValue(totals_[c]->longValue() + n);
        interval_[c] += n;
    }

    cPar* totals_[COUNTERS] = {};
    cPar* secRespSum_ = nullptr;
    long interval_[COUNTERS] = {};
    double intervalSecResp_ = 0;
    long allRequests_ = 0;
    long allCompletions_ = 0;
};
