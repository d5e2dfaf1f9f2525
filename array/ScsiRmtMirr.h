#pragma once

#include "host/ScsiLayer.h"

// The remote-mirror initiator of a host-interface board (`Scsi` of a Chip).
// It is the SCSI initiator engine of a client host, run by the board: the
// board's processor `ChipCpu` grants its time, only the board's initiator
// ports open paths, its LUN mask is the board's rows of section "[2.1]" of
// the storage device's configuration, and its I/O comes from the array's
// control path: the copies of host writes that the LUN controllers make.
// Every command it sends is marked as a copy, so the remote array does not
// copy it again, and it tells the array of a remote LUN only when the LUN's
// active path changed, with the size the LUN's MODE SENSE answered, so that
// the LUN controller of the same name can check the pairing.
class ScsiRmtMirr : public ScsiLayer {
  public:
    using ScsiLayer::ScsiLayer;

  protected:
    const char* processor_name() const override { return "ChipCpu"; }
    bool port_opens_paths(int i) override;
    cModule* config_owner() override;
    void ass_lun_mask() override;
    bool read_mask_row(const ConfigRow& row, MaskRow& out, const std::string& file) override;
    void mark_command(SendScsiCmd* cmd) override;
    void announce_lun(const TarLunTable& lun, int changed) override;
};
