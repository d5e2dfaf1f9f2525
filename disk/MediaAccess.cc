#include "disk/MediaAccess.h"

#include <cstdlib>

long rotational_distance(long from, long to, long n)
{
    if (from == to)
        return 0;
    const long rot = from < to ? to - from : to + n - from;
    return rot < 2 || rot >= n - 1 ? 0 : rot;
}

namespace {

// The head has to move before it can wait for the sector.
void position_head(MediaAccessTime& t, const DiskModelParams& p, const SeekTable& seeks, const SectorAttributes& cur,
                   const SectorAttributes& tgt, bool write)
{
    const long distance = std::labs(tgt.cylinder - cur.cylinder);
    t.overhead = p.ctrlOverHead;
    if (cur.head == tgt.head) {
        t.move = HeadMove::SEEK;
        t.seek = seeks.seek_ms(distance);
    } else if (distance == 0) {
        t.move = HeadMove::HEAD_SWITCH;
        t.headSw = p.headSwTime;
    } else if (distance == 1) {
        t.move = HeadMove::CYLINDER_SWITCH;
        t.cylSw = p.cylSwTime;
    } else {
        t.move = HeadMove::SEEK;
        t.seek = seeks.seek_ms(distance);
    }
    if (write)
        t.seek += p.addWrDelay;
    t.overhead += t.headSw + t.cylSw;
}

} // namespace

MediaAccessTime time_media_access(const DiskModelParams& p, const SeekTable& seeks, const SectorAttributes& cur,
                                  const SectorAttributes& tgt, double nowMs, bool write)
{
    MediaAccessTime t;
    const double period = p.period_ms();
    const long n = tgt.secPerTrk;
    t.xfer = period / n;
    if (cur.head == tgt.head && cur.cylinder == tgt.cylinder) {
        t.move = HeadMove::SAME_TRACK;
        t.latency = rotational_distance(cur.trkSec, tgt.trkSec, n) * tgt.secTime;
    } else {
        position_head(t, p, seeks, cur, tgt, write);
        const double arrival = nowMs + t.overhead + t.seek;
        const long underHead = DiskGeometry::sector_under_head(arrival, period, n);
        t.latency = rotational_distance(underHead, tgt.trkSec, n) * tgt.secTime;
    }
    t.access = t.overhead + t.seek + t.latency + t.xfer;
    return t;
}
