#pragma once

#include <string>
#include <vector>

#include "sim/Sim.h"

// Plays an array group's loop port "FcAl" towards its disks: creates
// Disk[0 .. diskCount-1] beside itself at initialisation as the port does,
// sends each scripted sector request straight to its disk at its time (the
// loop itself is not modelled), records what the disks send back, and at the
// end of the run appends the group's table to the disk finish file.
class LoopPortStandIn : public cSimpleModule {
  public:
    struct Request {
        double time; // s
        int disk;
        unsigned long dskSec;
        int ioType; // 136 read, 128 write
        unsigned long dskBlk = 0;
        unsigned long lunBlk = 0;
    };
    struct Completion {
        double time; // arrival at the port, s
        int disk;    // the completion's srcDskId
        int dstDskId;
        unsigned long dskSec;
        int ioType;
        long length;
        long blkIoSbPtr;
        double secResp; // s
    };

    LoopPortStandIn(const char* group, cModule* parent, int diskCount);

    void initialize() override;
    void activity() override;
    void finish() override;

    std::vector<Request> script;
    // Plain messages sent to a disk as well: time, disk, name, kind.
    struct Stray {
        double time;
        int disk;
        const char* name;
        int kind;
    };
    std::vector<Stray> strays;
    std::vector<Completion> completions;
    std::vector<std::pair<double, int>> loopFrees; // time, disk
    std::vector<std::string> other;                // names of anything else received

    cModule* disk(int i) const;
    // The completions' sectors in arrival order.
    std::vector<unsigned long> completedSectors() const;

  private:
    int diskCount_;
};
