#!/usr/bin/env bash
# Checks the outputs of a finished soak or campaign run in the directory $1:
# every initiator's I/Os (hosts' and remote-mirror) ended, either completed
# or aborted; every abort is a row of the I/O-failure log written by the same
# initiator; the initiator's .IoResp file holds one row per I/O, numbered
# without gaps, its reads and writes as counted in ScsiInitiator.Finish, its
# aborted rows ("-" as elapsed time) those of the I/O-failure log; and the
# run carried link events on $2 ports (30 when not given, "any" for at least
# none). Prints one line per initiator and a total; exits non-zero, naming
# what is wrong, when a check fails.
set -euo pipefail

dir=${1:?usage: check_soak_run.sh RUN_DIRECTORY [PORTS_WITH_EVENTS|any]}
expectedPorts=${2:-30}
finish=$dir/progData/finish/ScsiInitiator.Finish
iofail=$dir/progData/IoFail.txt
linkev=$dir/progData/LinkEvConf.txt
ioRespDir=$dir/progData/ioResp

for f in "$finish" "$linkev"; do
  [[ -f $f ]] || { echo "soak check failed: no $f"; exit 1; }
done
[[ -f $iofail ]] || iofail=/dev/null

ports=$(grep -c '^WWPN : ' "$linkev" || true)
if [[ $expectedPorts != any ]] && (( ports != expectedPorts )); then
  echo "soak check failed: $ports ports have link events, not $expectedPorts"
  exit 1
fi

shopt -s nullglob
ioResps=("$ioRespDir"/*.IoResp)

awk -v ports="$ports" '
  # The I/O-failure log: aborts of whole reads and writes and time-outs of
  # sub-I/Os, per writing module (the last field). A control I/O (discovery)
  # has no I/O index ("-"); its abort counts for no read or write.
  FILENAME == ARGV[1] {
    if ($3 == "SCSI_IO" && $0 ~ /SCSI_IO_ABORT/ && $4 != "-") { logged[$NF]++; abortLogged[$NF, $4]++ }
    if ($3 == "SUB_IO") timeouts++
    next
  }
  # ScsiInitiator.Finish: a block per initiator, headed by its path.
  FILENAME == ARGV[2] {
    if (/: /) {
      split($0, kv, ": ")
      key = kv[1]; sub(/^ +/, "", key); sub(/ +$/, "", key)
      kind = key ~ /^SCSI_READ / ? "Rd" : key ~ /^SCSI_WRITE / ? "Wr" : ""
      sub(/^SCSI_(READ|WRITE) /, "", key)
      value[module, key] += kv[2]
      if (key == "IO Reqs" && kind != "") reqOf[module, kind] += kv[2]
    } else if (/^[A-Za-z]/) {
      module = $0; modules[++n] = module
    }
    next
  }
  # An .IoResp file: the rows below the header and its rule.
  FNR <= 2 { next }
  {
    m = FILENAME; sub(/.*\//, "", m); sub(/\.IoResp$/, "", m)
    rows[m]++; rowsOf[m, $6]++
    idx[m, $1 + 0]++
    if ($1 + 0 > maxIdx[m] || !(m in maxIdx)) maxIdx[m] = $1 + 0
    if ($3 == "-") { aborted[m]++; if (!abortLogged[m, $1]) unlogged[m]++ }
  }
  END {
    bad = 0
    for (i = 1; i <= n; i++) {
      m = modules[i]
      req = value[m, "IO Reqs"]; succ = value[m, "IOs succ"]; abrt = value[m, "IOs abrt"]
      open = value[m, "IOs open"]; wait = value[m, "IOs wait"]
      printf "%s: %d requests, %d succeeded, %d aborted (%d logged), %d open, %d waiting, %d responses\n",
             m, req, succ, abrt, logged[m], open, wait, rows[m]
      if (req == 0) { print "soak check failed: " m " made no requests"; bad = 1 }
      if (req != succ + abrt) { print "soak check failed: " m " lost " req - succ - abrt " I/Os"; bad = 1 }
      if (open || wait) { print "soak check failed: " m " left I/Os open or waiting"; bad = 1 }
      if (abrt != logged[m]) { print "soak check failed: " m " logged " logged[m] + 0 " aborts, counted " abrt; bad = 1 }
      if (rows[m] != req) { print "soak check failed: " m " wrote " rows[m] + 0 " responses for " req " I/Os"; bad = 1 }
      if (rowsOf[m, "Rd"] != reqOf[m, "Rd"] || rowsOf[m, "Wr"] != reqOf[m, "Wr"]) {
        printf "soak check failed: %s wrote %d read and %d write responses for %d reads and %d writes\n",
               m, rowsOf[m, "Rd"], rowsOf[m, "Wr"], reqOf[m, "Rd"], reqOf[m, "Wr"]
        bad = 1
      }
      if (rows[m] && maxIdx[m] != rows[m] - 1) { print "soak check failed: " m " numbered its responses with gaps"; bad = 1 }
      for (k = 0; k < rows[m]; k++)
        if (idx[m, k] != 1) { print "soak check failed: " m " wrote " idx[m, k] + 0 " responses for I/O " k; bad = 1; break }
      if (aborted[m] != abrt) { print "soak check failed: " m " wrote " aborted[m] + 0 " aborted responses, counted " abrt; bad = 1 }
      if (unlogged[m]) { print "soak check failed: " m " wrote " unlogged[m] " aborted responses that the I/O-failure log lacks"; bad = 1 }
      total += req; totalAbrt += abrt; seen[m] = 1
    }
    for (m in logged)
      if (!(m in seen)) { print "soak check failed: " m " logged aborts but wrote no totals"; bad = 1 }
    for (m in rows)
      if (!(m in seen)) { print "soak check failed: " m " wrote responses but no totals"; bad = 1 }
    if (n == 0) { print "soak check failed: no initiator totals"; bad = 1 }
    printf "soak: %d initiators, %d I/Os, %d aborted, %d sub-I/O time-outs, %d ports with link events\n",
           n, total, totalAbrt, timeouts, ports
    exit bad
  }' "$iofail" "$finish" "${ioResps[@]}"
