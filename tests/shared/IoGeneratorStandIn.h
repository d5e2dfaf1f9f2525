#pragma once

#include <string>
#include <vector>

#include "sim/Sim.h"

// Stands in for a host's I/O generator (`IoGen`, gates `from_scsi` /
// `to_scsi`). It issues a planned list of reads and writes as SCSI_RDWR_IO,
// each at its own time, counts the whole plan in the run's `netIoNum` when it
// starts, and records every LUN the initiator reports ready.
class IoGeneratorStandIn : public cSimpleModule {
  public:
    struct Io {
        double at; // simulated seconds
        std::string lunWwn;
        int ioType; // SCSI_READ or SCSI_WRITE
        long ioSize;
        long blkAddr = 0;
        long ioGenId = 0;
    };
    struct Ready {
        double time;
        std::string lunWwn;
        long lunBlkSize, lunBlkNum;
    };

    using cSimpleModule::cSimpleModule;
    ~IoGeneratorStandIn() override;
    void activity() override;

    std::vector<Io> plan; // in time order, set before the run
    std::vector<Ready> ready;
    // Any other message from the initiator, by name.
    std::vector<std::string> unexpected;

  private:
    cMessage* timer_ = nullptr;
};
