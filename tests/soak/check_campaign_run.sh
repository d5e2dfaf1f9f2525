#!/usr/bin/env bash
# Checks the outputs of a finished run of the settings campaign in the
# directory $1 (made by make_campaign_settings.sh, run with campaign.ini, its
# console output in run.log):
# - the run ended normally ("No more events") with no leaked message (a run
#   that did not is not checked further);
# - every initiator's and every LUN's reads and writes ended completed,
#   aborted or still open (or waiting), each abort a row of the I/O-failure
#   log written by the same module (a LUN's rows also take its aborted
#   control commands), and each ended I/O of an initiator one row of its
#   .IoResp file;
# - no output file holds a nan, an inf or a negative figure (but the "-1"
#   table of a remote copy in .IoResp and the surplus time of .CchUpd, which
#   may be negative);
# - every response time is longer than the I/O's bytes take on a 2 Gbit/s
#   line, and a remote copy's longer than light takes there and back on the
#   shortest way between the two sites;
# - no switch port carries more than its line rate in a period;
# - processor and bus shares lie within [0,100] %; the switch centre, which
#   charges a task to the period in which it ends, may pass 100 % by what
#   one task carries over, and a bus by one transfer;
# - cache hits never outnumber the requests, and every disk completed each
#   sector request.
# Prints what it checked and a total line; exits non-zero, naming what is
# wrong ("campaign check failed: ..."), when a check fails.
set -euo pipefail

dir=${1:?usage: check_campaign_run.sh RUN_DIRECTORY}
data=$dir/progData
bad=0
fail() { echo "campaign check failed: $*"; bad=1; }

if [[ ! -f $dir/run.log ]]; then fail "no run.log"; exit 1; fi
# A run stopped by a time limit leaves I/Os, disk requests and transfers in
# flight, which its files count half: nothing more is checked.
grep -q 'No more events' "$dir/run.log" || { fail "no normal end: $(tail -n1 "$dir/run.log")"; exit 1; }
if grep -q leaked "$dir/run.log"; then fail "$(grep -m1 leaked "$dir/run.log")"; fi
for f in finish/ScsiInitiator.Finish finish/DeviceLUNs.Finish finish/DiskStat.Finish finish/CtrlMemCch.Finish; do
  [[ -f $data/$f ]] || { fail "no $f"; exit 1; }
done
iofail=$data/IoFail.txt
[[ -f $iofail ]] || iofail=/dev/null

# A root setting as the run took it: the first line that sets it.
setting() {
  awk -v key="Velmora.$1" -F '=' '
    { name = $1; gsub(/[ \t]/, "", name) }
    name == key { v = $2; gsub(/[ \t"]/, "", v); print v; exit }' "$dir/campaign.ini" "$dir/omnetpp.ini"
}
light=$(setting light_speed)
c12=$(setting distC1C2); c23=$(setting distC2C3); c13=$(setting distC1C3)

shopt -s nullglob

# --- I/O accounting: initiators and LUN controllers against the failure log ---
awk '
  function fail(text) { print "campaign check failed: " text; bad = 1 }
  FILENAME == ARGV[1] {
    if ($3 == "SCSI_IO" && $0 ~ /SCSI_IO_ABORT/ && $4 != "-") scsiAborts[$NF]++
    if ($3 == "LUN_IO" && $0 ~ /LUN_IO_ABORT/) lunAborts[$NF]++
    next
  }
  FILENAME == ARGV[2] {
    if (/: /) {
      split($0, kv, ": "); key = kv[1]; sub(/ +$/, "", key)
      kind = key ~ /^SCSI_READ / ? "read" : "write"
      sub(/^SCSI_(READ|WRITE) /, "", key)
      ini[module, kind, key] = kv[2] + 0
    } else if (/^[A-Za-z]/) { module = $0; inits[++n] = module }
    next
  }
  FILENAME == ARGV[3] {
    if (/^Velmora/) { device = $1; next }
    if ($1 ~ /^LunIo_/) {
      split($1, w, "_")
      for (c = 4; c <= NF; c++) lun[device, c - 3, w[2], w[3]] = $c + 0
      if (c - 4 > luns[device]) luns[device] = c - 4
      devices[device] = 1
    }
    next
  }
  FNR <= 2 { next }
  {
    m = FILENAME; sub(/.*\//, "", m); sub(/\.IoResp$/, "", m)
    responses[m]++
  }
  END {
    for (i = 1; i <= n; i++) {
      m = inits[i]; aborted = 0; ended = 0
      for (k = 0; k < 2; k++) {
        kind = k ? "write" : "read"
        req = ini[m, kind, "IO Reqs"]; succ = ini[m, kind, "IOs succ"]; abrt = ini[m, kind, "IOs abrt"]
        open = ini[m, kind, "IOs open"] + ini[m, kind, "IOs wait"]
        if (req != succ + abrt + open)
          fail(sprintf("%s: %d %ss = %d completed + %d aborted + %d open, %d counted nowhere", m, req, kind, succ, abrt, open, req - succ - abrt - open))
        aborted += abrt; ended += succ + abrt
        ios += req; abrts += abrt; opens += open
      }
      if (aborted != scsiAborts[m]) fail(sprintf("%s: %d aborts counted, %d in the I/O-failure log", m, aborted, scsiAborts[m]))
      if (ended != responses[m]) fail(sprintf("%s: %d I/Os ended, %d response rows", m, ended, responses[m]))
      seen[m] = 1
    }
    for (m in scsiAborts) if (!(m in seen)) fail(m " logged aborts but wrote no totals")
    for (d in devices)
      for (l = 1; l <= luns[d]; l++) {
        c = d ".CtrlMemCch.LunCtrl[" l "]"; aborted = 0
        for (k = 0; k < 2; k++) {
          kind = k ? "Write" : "Read"
          req = lun[d, l, kind, "Req"]; succ = lun[d, l, kind, "Succ"]; abrt = lun[d, l, kind, "Abrt"]
          open = lun[d, l, kind, "Open"] + lun[d, l, kind, "Wait"]
          if (req != succ + abrt + open)
            fail(sprintf("%s LUN %d: %d %ss = %d completed + %d aborted + %d open, %d counted nowhere", d, l, req, tolower(kind), succ, abrt, open, req - succ - abrt - open))
          aborted += abrt; lunIos += req
        }
        # The log also holds the aborts of control commands (inquiries, REPORT
        # LUNS), which no read or write count takes.
        if (aborted > lunAborts[c]) fail(sprintf("%s: %d aborts counted, %d in the I/O-failure log", c, aborted, lunAborts[c]))
      }
    printf "campaign check: %d initiators, %d I/Os, %d aborted, %d open; %d LUN I/Os\n", n, ios, abrts, opens, lunIos
    exit bad
  }' "$iofail" "$data/finish/ScsiInitiator.Finish" "$data/finish/DeviceLUNs.Finish" \
     "$data"/ioResp/*.IoResp || bad=1

# --- No nan, inf or negative figure anywhere ---
mapfile -d '' outputs < <(find "$data" -type f ! -name '.*' -print0)
awk '
  FNR == 1 { file = FILENAME; sub(/.*\//, "", file); skip = 0 }
  # Columns that may hold a negative number by their meaning.
  FNR == 1 && file ~ /\.IoResp$/ { skip = 5 }
  FNR == 1 && file ~ /\.CchUpd$/ { skip = 4 }
  {
    for (i = 1; i <= NF; i++) {
      if (i == skip) continue
      if (tolower($i) ~ /^[-+]?(nan|inf)/ || $i ~ /^-[0-9]*\.?[0-9]+$/) {
        printf "campaign check failed: %s line %d field %d is %s\n", file, FNR, i, $i
        bad = 1; if (++shown >= 10) exit 1
        break
      }
    }
  }
  END { exit bad }' "${outputs[@]}" || bad=1

# --- Response times above the wire time ---
awk -v light="$light" -v c12="$c12" -v c23="$c23" -v c13="$c13" '
  function min(a, b) { return a < b ? a : b }
  BEGIN {
    # One way, in ms, on the shortest way between the production site and
    # the recovery site.
    toSite3["DataCtr1"] = min(c13, c12 + c23) / light * 1000
    toSite3["DataCtr2"] = min(c23, c12 + c13) / light * 1000
  }
  FNR <= 2 || $3 == "-" { next }
  {
    m = FILENAME; sub(/.*\//, "", m)
    wire = $4 * 1024 * 10 / 2.125e9 * 1000
    if (m ~ /\.Dev[0-9]+\.Chip/) { split(m, p, "."); wire += 2 * toSite3[p[2]] }
    if ($3 + 0 <= wire) {
      printf "campaign check failed: %s I/O %s took %s ms, below its wire time of %.6f ms\n", m, $1, $3, wire
      bad = 1; if (++shown >= 10) exit 1
    }
  }
  END { exit bad }' "$data"/ioResp/*.IoResp || bad=1

# --- Switch ports within their line rate ---
# A period may count one frame (at most 2,148 bytes) more than the line
# carries in it: bytes are counted when a frame starts.
awk '
  FNR <= 3 { prev = 0; next }
  {
    dt = ($1 - prev) / 1000; prev = $1
    if (dt <= 0) next
    limit = (2.125e9 / 10 + 2148 / dt) / 1048576
    for (i = 2; i <= NF; i++)
      if ($i + 0 > limit) {
        m = FILENAME; sub(/.*\//, "", m)
        printf "campaign check failed: %s at %s ms: port column %d carried %s MiB/s, above %.3f\n", m, $1, i - 1, $i, limit
        bad = 1; if (++shown >= 10) exit 1
      }
  }
  END { exit bad }' "$data"/portThru/*.PortThru || bad=1

# --- Processor shares ---
# The switch centre charges a task to the period in which it ends: busy time
# beyond a period's length may carry on from period to period while the
# centre stays saturated, but never by more than a task's length (5 ms).
awk '
  FNR == 1 { labels = 0; centre = FILENAME ~ /\.AsicUtil$/; carry = 0; prev = 0 }
  !labels && /_P\(%\)/ { for (i = 1; i <= NF; i++) share[i + 1] = $i ~ /_P\(%\)$/; labels = 1; next }
  !labels || /^[^0-9]/ { next }
  {
    dt = $1 - prev; prev = $1
    if (centre) carry = carry + $2 / 100 * dt - dt < 0 ? 0 : carry + $2 / 100 * dt - dt
    for (i = 2; i <= NF; i++) {
      if (!share[i]) continue
      p = $i + 0
      if (p < 0 || p > 100 && !(centre && i == 2 && carry <= 5)) {
        m = FILENAME; sub(/.*\//, "", m)
        printf "campaign check failed: %s at %s ms: share %s %% in column %d\n", m, $1, $i, i
        bad = 1; if (++shown >= 10) exit 1
      }
    }
  }
  END { exit bad }' "$data"/cpuUtil/*.CpuUtil "$data"/swTiming/*.AsicUtil || bad=1

# --- Bus shares: each bus's capacity from its device's file ---
# A bus of W bits at C MHz moves W / 8 x C x 10^6 / 1024 KB/s. A transfer
# counts in the period in which it ends, so a period may count one transfer
# more than the bus moves in it: a block (at most 64 KB) on an array's cache
# and back-end buses, an I/O's data (at most 1 MiB) on the boards' and hosts'.
. "$(dirname "$0")/config_tables.sh"
awk '
  function capacity(file, section, row, wcol) {
    return cell[file, section, row, wcol] / 8 * cell[file, section, row, wcol + 1] * 1e6 / 1024
  }
  FILENAME == "-" { cell[$1, $2, $3, $4] = $5; next }
  FNR == 1 {
    m = FILENAME; sub(/.*\//, "", m); sub(/\.BusUtil$/, "", m)
    split(m, p, "."); file = p[3] ".conf"
    if (m ~ /\.Hpc$/) limit = capacity(file, "[1]", 1, 1)
    else if (match(m, /Chip\[[0-9]+\]/)) limit = capacity(file, "[1]", substr(m, RSTART + 5, RLENGTH - 6) + 1, 2)
    else if (match(m, /Acp\[[0-9]+\]/)) limit = capacity(file, "[4]", substr(m, RSTART + 4, RLENGTH - 5) + 1, 2)
    else if (m ~ /\.Csw\[[0-9]+\]$/) limit = capacity(file, "[3]", 1, 3)
    else limit = -1
    if (limit <= 0) { printf "campaign check failed: %s: no capacity found for this bus\n", m; bad = 1; nextfile }
    transfer = m ~ /\.(Acp\[[0-9]+\]\.Apc|Csw\[[0-9]+\])$/ ? 64 : 1024
    shown = 0; prev = 0
  }
  !/^[0-9]/ { next }
  {
    dt = ($1 - prev) / 1000; prev = $1
    if (dt <= 0) next
    for (i = 2; i <= NF; i++)
      if ($i < 0 || $i > limit + transfer / dt) {
        printf "campaign check failed: %s at %s ms: bus column %d moved %s KB/s, %.1f %% of its %.3f KB/s\n", m, $1, i - 1, $i, 100 * $i / limit, limit
        bad = 1; if (++shown >= 3) nextfile
      }
  }
  END { exit bad }' - "$data"/busUtil/*.BusUtil < <(table_cells "$dir"/*.conf) || bad=1

# --- Cache hits within requests ---
awk '
  function fail(text) { print "campaign check failed: " text; bad = 1 }
  FILENAME ~ /\.CchStat$/ {
    if (FNR <= 2) { rdReq = rdHit = wrReq = wrHit = 0; next }
    rdReq += $2; rdHit += $3; wrReq += $7; wrHit += $8 + $9
    if (rdHit > rdReq || wrHit > wrReq) {
      m = FILENAME; sub(/.*\//, "", m)
      fail(sprintf("%s at %s ms: %d read hits for %d reads, %d write hits for %d writes so far", m, $1, rdHit, rdReq, wrHit, wrReq))
      nextfile
    }
    next
  }
  FILENAME ~ /\.CchCln$/ {
    if (FNR > 2 && ($2 > 1 || $3 > 1)) {
      m = FILENAME; sub(/.*\//, "", m)
      fail(sprintf("%s at %s ms: hit ratio %s, occupancy %s", m, $1, $2, $3)); nextfile
    }
    next
  }
  /^Velmora/ { cache = $1; next }
  $1 ~ /^(Read|Write)_/ { for (c = 3; c <= NF; c++) v[cache, $1, c] = $c + 0; cols[cache] = NF }
  END {
    for (k in cols)
      for (c = 3; c <= cols[k]; c++) {
        if (v[k, "Read_Hit", c] > v[k, "Read_Req", c])
          fail(sprintf("%s column %d: %d read hits for %d reads", k, c - 2, v[k, "Read_Hit", c], v[k, "Read_Req", c]))
        if (v[k, "Write_Same_Static", c] + v[k, "Write_Same_Active", c] > v[k, "Write_Req", c])
          fail(sprintf("%s column %d: %d write hits for %d writes", k, c - 2, v[k, "Write_Same_Static", c] + v[k, "Write_Same_Active", c], v[k, "Write_Req", c]))
      }
    exit bad
  }' "$data"/ctrlMem/*.CchStat "$data"/ctrlMem/*.CchCln "$data/finish/CtrlMemCch.Finish" || bad=1

# --- Every disk completed its sector requests ---
awk '
  /^Velmora/ { group = $1; next }
  $1 == "|" { for (c = 2; c <= NF; c++) disk[c + 1] = $c; next }
  $1 ~ /^Sec_(Read|Write)_(Req|Com)$/ { for (c = 3; c <= NF; c++) v[group, $1, c] = $c + 0; cols[group] = NF }
  END {
    for (g in cols)
      for (c = 4; c <= cols[g]; c++)
        for (k = 0; k < 2; k++) {
          kind = k ? "Write" : "Read"
          if (v[g, "Sec_" kind "_Req", c] != v[g, "Sec_" kind "_Com", c]) {
            printf "campaign check failed: %s %s: %d sector %s requests, %d completed\n", g, disk[c], v[g, "Sec_" kind "_Req", c], tolower(kind), v[g, "Sec_" kind "_Com", c]
            bad = 1
          }
        }
    exit bad
  }' "$data/finish/DiskStat.Finish" || bad=1

exit $bad
