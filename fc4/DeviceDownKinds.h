#pragma once

// What the FC-4 controller of a port does with a message while its device is
// down. Most kinds cannot arrive then without a fault elsewhere and stop the
// run; the SCSI primitives from above can, since the SCSI layer does not
// know yet, and are dropped with a warning.

// The text that stops the run when a message of `kind` arrives while the
// device is down, or null when the kind is not refused. The text may name the
// message with one %s.
const char* refusal_while_down(int kind);

// The warning (its text after "WARNING: ") with which a message of `kind` is
// dropped while the device is down, or null when the kind is not dropped.
const char* drop_warning_while_down(int kind);
