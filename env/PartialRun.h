#pragma once

// A run that stops part-way: Ctrl-C or SIGTERM in either program, or the
// graphical program's window closed mid-run. The signal only marks the run;
// the kernel stops it at the next event boundary, so no module is left in
// the middle of an event, and the environment then ends it here.

// SIGINT and SIGTERM stop the run at the next event boundary. A second one
// ends the program at once, as it would without this.
void catch_interrupt_signals();

// Ends a run that stopped part-way: prints "Interrupted at t=... s after N
// events" on stderr, lets every module tidy what the end of a run tidies
// (the run's temporary files) and writes no finish files. Returns the exit
// code: 128 + the signal that stopped the run (130 for SIGINT, 143 for
// SIGTERM), or `exitCodeWithoutSignal` when no signal did (a closed window).
int end_partial_run(int exitCodeWithoutSignal = 1);
