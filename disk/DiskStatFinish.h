#pragma once

class cModule;

// Appends one array group's table to the run's "DiskStat.Finish": every
// disk's run totals side by side with the group's sums. The first group of
// the run to finish starts the file afresh (root `dskStatFinishFileNew`).
// The disks are `group`'s submodules Disk[0 .. diskCount-1]; `writer` is the
// group's loop port.
void write_dskstat_finish(const cModule* writer, cModule* root, cModule* group, int diskCount, long dskSecSiz);
