#!/usr/bin/env bash
# The sizing bed: the default test bed (SOURCE) with no link events and no
# workload but Host4's, which reads Dev1's DC1_FILE (four 15,000 rpm disks,
# 8 KB blocks, 64 KB stripe depth, no mirror). Runs, each in its own copy
# under WORK:
#   gap50   400 random 8 KB reads, one every 50 ms: the response time alone
#   qd1     1,000 random 8 KB reads back to back, MaxRdWrIo 1: the rate at
#           queue depth one
#   deep    6,000 random 8 KB reads back to back, 64 in flight: the rate per
#           disk
#   deep64  the same with the disks' CMD_QUE_DPTH 64
#   seq     1,000 sequential 64 KB reads back to back, MaxRdWrIo 1: MB/s
# A rate is the reads over the span from the first request to the last
# completion, taken from Host4's .IoResp. Each figure is compared with the
# one README states, rounded as README writes it; so is the result of the
# README's one-line command for a host's mean and 95th-percentile response.
# Usage: run_sizing.sh PROGRAM SOURCE WORK README. Exits non-zero naming each
# figure that differs, and then keeps the copies.
set -euo pipefail
program=${1:?usage: run_sizing.sh PROGRAM SOURCE WORK README}
testbed=${2:?usage: run_sizing.sh PROGRAM SOURCE WORK README}
work=${3:?usage: run_sizing.sh PROGRAM SOURCE WORK README}
readme=${4:?usage: run_sizing.sh PROGRAM SOURCE WORK README}
here=$(cd "$(dirname "$0")" && pwd)
resp=progData/ioResp/Velmora.DataCtr1.Host4.Scsi.IoResp

# Keeps a host file's section [3] heading and column header, drops its rows.
empty_streams() {
  awk '/^\[3\]$/ { print; getline; print; skip = 1; next } skip && /^\[/ { skip = 0 } !skip' "$1" >"$1.new"
  mv "$1.new" "$1"
}

# Sets the column named $2 of the row after the header of section $3 in $1.
set_column() {
  awk -v col="$2" -v sec="$3" -v val="$4" '
    $0 == sec { print; getline; for (i = 1; i <= NF; i++) if ($i == col) c = i; print; getline; $c = val; print; next }
    { print }' "$1" >"$1.new"
  mv "$1.new" "$1"
}

# Sets the 16th value of the disk model's parameter file, CMD_QUE_DPTH (the
# first two lines are headings).
set_queue_depth() {
  awk -v val="$2" 'NR > 2 { for (i = 1; i <= NF; i++) if (++n == 16) $i = val } { print }' "$1" >"$1.new"
  mv "$1.new" "$1"
}

# Host4's workload: COUNT reads of SIZE KB, block pattern BLOCKS, GAP ms apart.
streams() {
  cat <<TABLES
[3]
LUN_WWN     IoNum   StartTime   IoPattern
DC1_FILE    $1      0           Sizing

[3.1]
IoPattern   R/W   SizePattern   BlockPattern   GapPattern
Sizing      100   Size          Blocks         Gap

[3.1.1]
SizePattern   dist         RNG#   Par1   Par2   Par3
Size          const_size   0      $2     -      -

[3.1.2]
BlockPattern   dist   RNG#   Par1   Par2   Par3
Blocks         $3

[3.1.3]
GapPattern   dist        RNG#   MinGap   OnShape   OffShape   Load   Srcs   Par1   Par2   Par3
Gap          const_gap   2      -        -         -          -      -      $4     -      -
TABLES
}

# run NAME MAX_RD_WR_IO CMD_QUE_DPTH COUNT SIZE BLOCKS GAP
run() {
  local dir=$work/$1
  rm -rf "$dir"
  mkdir -p "$dir"
  find "$testbed" -maxdepth 1 -type f -exec cp {} "$dir" \;
  cp "$here/LinkEvents.txt" "$dir"
  for f in "$dir"/Host*.conf; do empty_streams "$f"; done
  set_column "$dir/Host4.conf" MaxRdWrIo '[1]' "$2"
  awk '/^\[3\]$/ { exit } { print }' "$dir/Host4.conf" >"$dir/Host4.head"
  { cat "$dir/Host4.head"; streams "$4" "$5" "$6" "$7"; } >"$dir/Host4.conf"
  rm "$dir/Host4.head"
  set_queue_depth "$dir/VM36G15K.params.ini" "$3"
  (cd "$dir" && "$program" -f omnetpp.ini >stdout.txt 2>stderr.txt) || {
    echo "sizing: run $1 failed:"; tail -n 3 "$dir/stderr.txt"; exit 1; }
  if ! grep -q "^\*\* $4 I/Os requested, $4 completed, 0 aborted; no warnings" "$dir/stderr.txt"; then
    echo "sizing: run $1 did not end clean:"; tail -n 1 "$dir/stderr.txt"; exit 1
  fi
  local others
  others=$(find "$dir/progData/ioResp" -type f ! -name "$(basename "$resp")" | wc -l)
  [[ $others -eq 0 ]] || { echo "sizing: run $1: initiators other than Host4 did I/O"; exit 1; }
}

mean_ms() { awk 'NR > 2 { n++; s += $3 } END { printf "%.6f", s / n }' "$work/$1/$resp"; }
rate() { # reads per second over the span from the first request to the last completion
  awk 'NR > 2 { n++; if (n == 1 || $2 < t0) t0 = $2; if ($2 + $3 > t1) t1 = $2 + $3 }
       END { printf "%.6f", n * 1000 / (t1 - t0) }' "$work/$1/$resp"
}
megabytes_per_second() {
  awk 'NR > 2 { kb += $4; if (NR == 3 || $2 < t0) t0 = $2; if ($2 + $3 > t1) t1 = $2 + $3 }
       END { printf "%.6f", kb / 1024 * 1000 / (t1 - t0) }' "$work/$1/$resp"
}

run gap50 64 16 400 8 "intuniform 1 0 17929471 -" 50
run qd1 1 16 1000 8 "intuniform 1 0 17929471 -" 0
run deep 64 16 6000 8 "intuniform 1 0 17929471 -" 0
run deep64 64 64 6000 8 "intuniform 1 0 17929471 -" 0
run seq 1 16 1000 64 "seq_block 1 0 - -" 0

response=$(mean_ms gap50)
qd1_rate=$(rate qd1)
per_disk=$(awk -v r="$(rate deep)" 'BEGIN { printf "%.6f", r / 4 }')
per_disk64=$(awk -v r="$(rate deep64)" 'BEGIN { printf "%.6f", r / 4 }')
stream=$(megabytes_per_second seq)

# shellcheck source=../shared/readme_text.sh
source "$(dirname "$0")/../shared/readme_text.sh"
failed=0
compare() { # what, stated, measured: the measured figure rounded as the stated one is written
  local decimals=0 rounded whole=${2%%.*}
  [[ $2 == *.* ]] && decimals=$((${#2} - ${#whole} - 1))
  rounded=$(awk -v x="$3" -v d="$decimals" 'BEGIN { printf "%.*f", d, x }')
  if [[ $2 != "$rounded" ]]; then
    echo "sizing figures: the README says $2 $1, the bed gives $3"
    failed=1
  else
    echo "sizing figures: $1 $2 ($3)"
  fi
}
compare "ms at 50 ms gaps" "$(stated 'each takes about ([0-9.]+) ms')" "$response"
compare "reads per second at queue depth one" "$(stated 'queue depth one[^.]*about ([0-9,]+) per second')" "$qd1_rate"
compare "reads per second per disk, 64 in flight" "$(stated 'each disk serves about ([0-9]+) per second')" "$per_disk"
compare "reads per second per disk with CMD_QUE_DPTH 64" "$(stated 'about ([0-9]+) with `CMD_QUE_DPTH` 64')" "$per_disk64"
compare "MB/s of one sequential stream" "$(stated 'moves about ([0-9.]+) MB/s')" "$stream"

# The README's one-line command for a host's mean and 95th-percentile
# response, on the run at 50 ms gaps, against the mean computed here.
command=$(grep -E "^ +awk 'NR > 2 .*IoResp" "$readme" | head -n1 | sed -E 's/^ +//') || true
if [[ -z $command ]]; then
  echo "sizing figures: the README gives no one-line command for a host's response"
  failed=1
else
  file=$(grep -oE '[^ ]+\.IoResp' <<<"$command" | head -n1)
  got=$(cd "$work/gap50" && bash -c "${command//$file/$resp}")
  want=$(awk -v m="$response" 'BEGIN { printf "mean %.3f ms", m }')
  p95=$(awk 'NR > 2 { print $3 }' "$work/gap50/$resp" | sort -g | awk '{ t[NR] = $1 } END { printf "%.3f", t[int(NR * 0.95 + 0.9999)] }')
  if [[ $got != "$want, 95th percentile $p95 ms" ]]; then
    echo "sizing figures: the README's command gives \"$got\", not \"$want, 95th percentile $p95 ms\""
    failed=1
  else
    echo "sizing figures: the README's command gives \"$got\""
  fi
fi
# The runs' copies are kept when a figure differs, to be looked into.
[[ $failed -ne 0 ]] || rm -rf "$work"
exit $failed
