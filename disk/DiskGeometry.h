#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/DiskModelParams.h"

class cModule;

// One zone of the platters: a run of cylinders with the same number of
// sectors per track, and the physical sector numbers it holds.
struct DiskBand {
    long cylS = 0;        // Cyl_S, first cylinder
    long cylE = 0;        // Cyl_E, last cylinder
    long cylNum = 0;      // CylNum
    long tkSec = 0;       // TkSec, sectors per track
    uint64_t cylSecS = 0; // CylSec_S, first physical sector
    uint64_t cylSecE = 0; // CylSec_E, last physical sector
};

// Where one sector lies and how long it takes to pass under the head.
struct SectorAttributes {
    int head = 0;
    long cylinder = 0;
    long trkSec = 0; // sector within the track
    long cylSec = 0; // sector within the cylinder
    long secPerTrk = 0;
    long secPerCyl = 0; // sectors per track times heads
    double secTime = 0; // ms
    uint64_t phySec = 0;
};

// The zoned geometry of a disk model: bands from the outside in, band 0 the
// widest, each with fewer sectors per track than the one before it when the
// sector growth outpaces the cylinder growth. Physical sectors are numbered
// band by band, cylinder by cylinder, head by head, sector by sector.
class DiskGeometry {
  public:
    // Sector numbers travel in 32-bit fields, so no geometry may hold more.
    static constexpr uint64_t MAX_SECTORS = 0xFFFFFFFFull;

    // Derives the bands of `p`; a band left without a cylinder or a sector
    // per track, or a geometry past MAX_SECTORS, stops the run through
    // `owner`, naming `model` and its parameter file.
    DiskGeometry(const cModule* owner, const std::string& model, const DiskModelParams& p);

    const std::vector<DiskBand>& bands() const { return bands_; }
    int heads() const { return heads_; }
    long cylinders() const { return cylinders_; }
    uint64_t total_sectors() const { return totalSectors_; }
    uint64_t capacity_bytes() const { return totalSectors_ * static_cast<uint64_t>(secSize_); }
    double capacity_gb() const { return static_cast<double>(capacity_bytes()) / (1024.0 * 1024.0 * 1024.0); }

    // The band holding a physical sector or a cylinder; null when none does.
    const DiskBand* band_of_sector(uint64_t phySec) const;
    const DiskBand* band_of_cylinder(long cylinder) const;

    // The physical sector at which the logical sector `logSec` lies, under
    // the mapping of the model: equal under cylinder-based mapping; under
    // band-based mapping, one surface of a band is filled cylinder after
    // cylinder before the next head.
    uint64_t logsec_to_physec(uint64_t logSec) const;
    SectorAttributes get_secattr_by_physec(uint64_t phySec) const;
    // The attributes of the sector under the head at cylinder `cylinder`,
    // head `head`, `nowMs` into the run.
    SectorAttributes get_secattr_of_currsec(long cylinder, int head, double nowMs) const;

    // The first physical and logical sector of the track of `head` at
    // `cylinder` in `band`.
    uint64_t first_physec_of_track(const DiskBand& band, long cylinder, int head) const;
    uint64_t first_logsec_of_track(const DiskBand& band, long cylinder, int head) const;

    // The sector index under the head, `ms` into a revolution of `periodMs`
    // with `secPerTrk` sectors; never past the last sector of the track.
    static long sector_under_head(double ms, double periodMs, long secPerTrk);

  private:
    void derive_cylinders(const DiskModelParams& p);
    void derive_sectors(const DiskModelParams& p);
    // Names the `values` that left band `band` without `what`.
    [[noreturn]] void boundary_fault(int band, const std::string& values, const char* what) const;

    const cModule* owner_;
    std::string model_;
    std::vector<DiskBand> bands_;
    long cylinders_;
    int heads_;
    long secSize_;
    int l2pMap_;
    double periodMs_;
    uint64_t totalSectors_ = 0;
    mutable size_t recent_ = 0; // the band a lookup found last
};
