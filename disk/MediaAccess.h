#pragma once

#include "disk/DiskGeometry.h"
#include "disk/DiskModelParams.h"
#include "disk/SeekTable.h"

// How the head reached a sector.
enum class HeadMove {
    SAME_TRACK,      // same head, same cylinder
    SEEK,            // a seek from the seek table
    HEAD_SWITCH,     // another head on the same cylinder
    CYLINDER_SWITCH, // another head one cylinder away
};

// The parts of one sector's media access, in ms.
struct MediaAccessTime {
    HeadMove move = HeadMove::SAME_TRACK;
    double overhead = 0; // controller overhead plus any head or cylinder switch
    double seek = 0;     // with the write settling time of a write
    double headSw = 0;
    double cylSw = 0;
    double latency = 0;
    double xfer = 0;   // one sector passing under the head
    double access = 0; // all of the above
};

// Sectors the platter turns from `from` to `to` on a track of `n` sectors.
// Under two sectors, or within one of a whole turn, counts as none: the
// drive reads ahead into its buffer.
long rotational_distance(long from, long to, long n);

// The time to reach and transfer sector `tgt` from the head position `cur`,
// starting `nowMs` into the run, for a read or (`write`) a write.
MediaAccessTime time_media_access(const DiskModelParams& p, const SeekTable& seeks, const SectorAttributes& cur,
                                  const SectorAttributes& tgt, double nowMs, bool write);
