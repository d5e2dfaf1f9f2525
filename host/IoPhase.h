#pragma once

class cModule;

// The end of the run's I/O phase: every I/O the hosts were to generate has
// completed. Sets the root's `ioDone`, and `simDone` once the link events are
// done as well; on the first end, every I/O generator says which of its
// tables never started. `by` is the module that saw it end; an end seen a
// second time is an ALERT in the warnings log.
void end_io_phase(const cModule* by, cModule* root);

// Whether every I/O generator of the run has had the LUN of each of its tables
// announced: no stream is still to start.
bool every_stream_triggered();
