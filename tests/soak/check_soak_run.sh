#!/usr/bin/env bash
# Checks the outputs of a finished soak run in the directory $1: every host
# I/O ended, either completed or aborted, and every abort is a row of the
# I/O-failure log written by the same initiator; and the run carried the
# soak's link events. Prints one line per initiator and a total; exits
# non-zero, naming what is wrong, when a check fails.
set -euo pipefail

dir=${1:?usage: check_soak_run.sh RUN_DIRECTORY}
finish=$dir/progData/finish/ScsiInitiator.Finish
iofail=$dir/progData/IoFail.txt
linkev=$dir/progData/LinkEvConf.txt
expectedPorts=30

for f in "$finish" "$linkev"; do
  [[ -f $f ]] || { echo "soak check failed: no $f"; exit 1; }
done
[[ -f $iofail ]] || iofail=/dev/null

ports=$(grep -c '^WWPN : ' "$linkev" || true)
if (( ports != expectedPorts )); then
  echo "soak check failed: $ports ports have link events, not $expectedPorts"
  exit 1
fi

awk -v expectedPorts="$expectedPorts" '
  # The I/O-failure log: aborts of whole I/Os and time-outs of sub-I/Os, per
  # writing module (the last field).
  FILENAME == ARGV[1] {
    if ($3 == "SCSI_IO" && $0 ~ /SCSI_IO_ABORT/) logged[$NF]++
    if ($3 == "SUB_IO") timeouts++
    next
  }
  # ScsiInitiator.Finish: a block per initiator, headed by its path.
  /: / {
    split($0, kv, ": ")
    key = kv[1]; sub(/^ +/, "", key); sub(/ +$/, "", key); sub(/^SCSI_(READ|WRITE) /, "", key)
    value[module, key] += kv[2]
    next
  }
  /^[A-Za-z]/ { module = $0; modules[++n] = module }
  END {
    bad = 0
    for (i = 1; i <= n; i++) {
      m = modules[i]
      req = value[m, "IO Reqs"]; succ = value[m, "IOs succ"]; abrt = value[m, "IOs abrt"]
      open = value[m, "IOs open"]; wait = value[m, "IOs wait"]
      printf "%s: %d requests, %d succeeded, %d aborted (%d logged), %d open, %d waiting\n",
             m, req, succ, abrt, logged[m], open, wait
      if (req == 0) { print "soak check failed: " m " made no requests"; bad = 1 }
      if (req != succ + abrt) { print "soak check failed: " m " lost " req - succ - abrt " I/Os"; bad = 1 }
      if (open || wait) { print "soak check failed: " m " left I/Os open or waiting"; bad = 1 }
      if (abrt != logged[m]) { print "soak check failed: " m " logged " logged[m] + 0 " aborts, counted " abrt; bad = 1 }
      total += req; totalAbrt += abrt; seen[m] = 1
    }
    for (m in logged)
      if (!(m in seen)) { print "soak check failed: " m " logged aborts but wrote no totals"; bad = 1 }
    if (n == 0) { print "soak check failed: no initiator totals"; bad = 1 }
    printf "soak: %d initiators, %d I/Os, %d aborted, %d sub-I/O time-outs, %d ports with link events\n",
           n, total, totalAbrt, timeouts, expectedPorts
    exit bad
  }' "$iofail" "$finish"
