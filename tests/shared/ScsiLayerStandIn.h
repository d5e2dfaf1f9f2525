#pragma once

#include <string>
#include <vector>

#include "sim/Sim.h"

// Stands in for a host's SCSI layer as its I/O generator sees it, on the same
// gates (`from_iogen`, `to_iogen`). It reports LUNs ready with
// LUN_IO_GEN_RDY at the times a test gives, records every SCSI_RDWR_IO that
// comes down and, when given a service time, completes each I/O that long
// after it arrived as the initiator counts a completion: root `netIoComp`
// + 1, and when it reaches `netIoNum`, the end of the I/O phase.
class ScsiLayerStandIn : public cSimpleModule {
  public:
    struct Lun {
        double time;
        std::string wwn;
        long blkNum;
        long blkSize;
    };
    struct Io {
        double time;
        long ioType;
        long ioSize;
        long blkAddr;
        std::string lunWwn;
        long ioGenId;
        std::string ioPatName;
        double sTime;
        long netIoToGen; // the root's count as the I/O arrived
    };

    ScsiLayerStandIn(const char* name, cModule* parent, unsigned stackSize);
    void activity() override;

    // Reports `wwn` ready at `time`, with its geometry.
    void announce(double time, const std::string& wwn, long blkNum, long blkSize);

    // Seconds from an I/O's arrival to its completion; below 0, I/Os never
    // complete.
    double serviceTime = -1;
    std::vector<Io> received;
    // Simulated times of the completions counted.
    std::vector<double> completions;

  private:
    void record(cMessage* msg);
    void complete();

    std::vector<Lun> luns_;
};
