#pragma once

#include <memory>
#include <string>

#include "device/OutputStream.h"
#include "host/Generator.h"

// The longest name a workload row may give a LUN or a pattern.
constexpr size_t IOGEN_NAME_MAX = 16;

// The most I/Os one workload row may ask for; the run-wide counts add the
// rows of every host up.
constexpr long MAX_IO_NUM = 1000000000000L;

// A size, block or gap pattern: a named distribution on a numbered
// generator. Numbers given as "-" hold -1.
struct PatternRecord {
    std::string name;
    long line = 0; // of the configuration file
    std::string dist;
    long rng = 0;
    double Par1 = -1, Par2 = -1, Par3 = -1;
    // Gap patterns only: the self-similar settings.
    bool selfSim = false;
    double MinGap = -1; // us
    double OnShape = -1, OffShape = -1;
    long Load = -1; // I/Os per second
    long Srcs = -1;
};

// An IO pattern: the share of reads and the names of its three patterns.
struct IoPatternRecord {
    std::string name;
    long line = 0;   // of the configuration file
    long ratio = -1; // % reads
    std::string size, block, gap;
};

// One stream of I/O to one LUN, with copies of the patterns it draws from
// and its progress.
struct IoGenTable {
    int index = 0;
    std::string LUN_WWN;
    long IoNum = 0;
    std::string IoNumText; // as written, for messages
    double StartTime = 0;  // ms
    std::string IoPattern;
    long ratio = 0;
    PatternRecord size, block, gap;
    // The self-similar source set of a "self_sim" gap, and the time of the
    // previous I/O on it in seconds.
    std::unique_ptr<Generator> generator;
    double previousTime = 0;

    bool activated = false;
    bool started = false;
    bool triggered = false;
    bool pending = false;
    long issued = 0;
    long rowIos = 0;
    unsigned long rowBytes = 0;
    unsigned long lunBlkSize = 0; // bytes
    unsigned long lunBlkNum = 0;
    unsigned long seqNext = 0;
    OutputStream workloadFile; // ".IoWrkLoad", from the first I/O to the end of the run
};

// The reader of one of the five workload sections.
struct AssTbl {
    char name[32];
    const char* marker;
    int next; // the entry of the section after this one, -1 for the last
    bool found = false;
    bool headerSeen = false;
    int rowNum = 0;
};
