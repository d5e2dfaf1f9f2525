#!/usr/bin/env bash
# Checks the .IoResp files of a run in the directory $1 against
# finish/ScsiInitiator.Finish: every initiator's file has its header and one
# row per read or write the initiator counts as succeeded or aborted, in
# rising I/O order, and at least one initiator had I/Os still open at the
# end. Prints one line per initiator; exits non-zero, naming what is wrong.
set -euo pipefail
dir=${1:?usage: check_ioresp_rows.sh RUN_DIRECTORY}
shopt -s nullglob
awk '
  function fail(text) { print "ioresp check failed: " text; bad = 1 }
  FILENAME == ARGV[1] {
    if (/^[A-Za-z]/ && !/:/) { m = $0; inits[++n] = m }
    else if (/IOs (succ|abrt) *:/) ended[m] += $NF
    else if (/IOs open *:/) open[m] += $NF
    next
  }
  FNR == 1 {
    m = FILENAME; sub(/.*\//, "", m); sub(/\.IoResp$/, "", m)
    if ($1 != "IoIndex") fail(m " has no header")
    last[m] = -1
  }
  FNR <= 2 { next }
  {
    rows[m]++
    if ($1 + 0 <= last[m]) fail(m ": row " $1 " after row " last[m])
    last[m] = $1 + 0
  }
  END {
    for (i = 1; i <= n; i++) {
      m = inits[i]
      printf "%s: %d ended, %d open, %d rows\n", m, ended[m], open[m], rows[m]
      if (rows[m] != ended[m]) fail(m " wrote " rows[m] + 0 " rows for " ended[m] " ended I/Os")
      opens += open[m]
    }
    if (n == 0) fail("no initiator totals")
    if (opens == 0) fail("no I/O was open at the end")
    exit bad
  }' "$dir/progData/finish/ScsiInitiator.Finish" "$dir"/progData/ioResp/*.IoResp
