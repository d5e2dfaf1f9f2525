#!/usr/bin/env bash
# Runs the shipped test bed once in a copy and checks that the settings
# campaign's checker passes its outputs, then spoils one output at a time, as
# a faulty model would write it, and checks that the checker names each fault.
#   tests/soak/check_campaign_run_test.sh PROGRAM WORK_DIRECTORY
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
program=${1:?usage: check_campaign_run_test.sh PROGRAM WORK_DIRECTORY}
work=${2:?usage: check_campaign_run_test.sh PROGRAM WORK_DIRECTORY}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
rm -rf "$work"
mkdir -p "$work"
find "$here/../../examples/default" -maxdepth 1 -type f -exec cp {} "$work" \;
printf '[Parameters]\ninclude omnetpp.ini\n' > "$work/campaign.ini"
(cd "$work" && "$program" -f campaign.ini > run.log 2>&1)
data=$work/progData
failures=0

check() {
  if "$here/check_campaign_run.sh" "$work" > "$work/check.log" 2>&1; then echo passed; else echo failed; fi
}
# Spoils FILE with the awk program, expects the checker to fail with TEXT,
# and puts the file back.
expect_caught() {
  local what=$1 file=$2 program=$3 text=$4
  cp "$file" "$work/kept"
  awk "$program" "$work/kept" > "$file"
  if cmp -s "$file" "$work/kept"; then
    echo "FAIL $what: the file did not change"; failures=$((failures + 1))
  elif [[ $(check) == passed ]] || ! grep -q -- "$text" "$work/check.log"; then
    echo "FAIL $what: the checker did not say \"$text\""; sed 's/^/  /' "$work/check.log"
    failures=$((failures + 1))
  else
    echo "ok $what: $(grep -m1 -- "$text" "$work/check.log")"
  fi
  mv "$work/kept" "$file"
}

if [[ $(check) != passed ]]; then
  echo "FAIL the shipped run does not pass:"; cat "$work/check.log"; exit 1
fi
echo "ok the shipped run passes: $(tail -n1 "$work/check.log")"

host1=$data/ioResp/Velmora.DataCtr1.Host1.Scsi.IoResp
# Field F of line L becomes V: the awk program of most cases below.
field() { echo "FNR == $1 { \$$2 = \"$3\" } { print }"; }
expect_caught "lost response row" "$host1" 'NR > 1 { print last } { last = $0 }' "response rows"
expect_caught "response below wire time" "$host1" "$(field 3 3 0.0010)" "below its wire time"
expect_caught "remote copy faster than light" \
  "$data/ioResp/Velmora.DataCtr1.Dev1.Chip[1].Scsi.IoResp" "$(field 3 3 0.5000)" "below its wire time"
expect_caught "unlogged abort" "$data/finish/ScsiInitiator.Finish" \
  '/SCSI_READ IOs succ/ && !s { $NF = $NF - 1; s = 1 } /SCSI_READ IOs abrt/ && !a { $NF = $NF + 1; a = 1 } { print }' \
  "1 aborts counted, 0 in the I/O-failure log"
expect_caught "LUN read counted nowhere" "$data/finish/DeviceLUNs.Finish" \
  '/^LunIo_Read_Succ/ && !d { $4 = $4 - 3; d = 1 } { print }' "3 counted nowhere"
expect_caught "nan figure" "$data/diskDrv/Velmora.DataCtr2.Dev2.Acp[0].ArrGrp[0].Disk[0].DskStat" "$(field 3 8 nan)" "is nan"
expect_caught "negative figure" "$data/eeStat/From_1048576_To_2031616.EeStat" "$(field 3 2 -3)" "is -3"
expect_caught "port above line rate" "$data/portThru/Velmora.DataCtr1.Sw1.PortThru" "$(field 5 2 203.500000)" "carried 203.500000"
expect_caught "processor above 100 %" "$data/cpuUtil/Velmora.DataCtr1.Host1.CpuUtil" "$(field 6 2 100.5000)" "share 100.5000"
expect_caught "switch centre above 100 % by more than a task" "$data/swTiming/Velmora.DataCtr1.Sw1.AsicUtil" \
  'FNR == 6 || FNR == 7 { $2 = "103.0000" } { print }' "share 103.0000"
expect_caught "host bus above its rate" "$data/busUtil/Velmora.DataCtr1.Host1.Hpc.BusUtil" "$(field 5 2 1100000.000)" "moved 1100000.000 KB/s"
expect_caught "more read hits than reads" \
  "$data/ctrlMem/Velmora.DataCtr1.Dev1.CtrlMemCch.DC1_ORA_DATA.CchStat" "$(field 5 3 999)" "read hits for"
expect_caught "disk sector write never completed" "$data/finish/DiskStat.Finish" \
  '/^Sec_Write_Com/ && !d { $5 = $5 - 1; d = 1 } { print }' "sector write requests"
expect_caught "leaked message" "$work/run.log" '{ print } END { print "1 message leaked" }' "leaked"

# The switch centre may pass 100 % by the task it carries over.
cp "$data/swTiming/Velmora.DataCtr1.Sw1.AsicUtil" "$work/kept"
awk "$(field 6 2 101.0000)" "$work/kept" > "$data/swTiming/Velmora.DataCtr1.Sw1.AsicUtil"
if [[ $(check) == passed ]]; then echo "ok switch centre above 100 % by a task"
else echo "FAIL switch centre above 100 % by a task:"; cat "$work/check.log"; failures=$((failures + 1)); fi
mv "$work/kept" "$data/swTiming/Velmora.DataCtr1.Sw1.AsicUtil"

if (( failures )); then echo "checker test: $failures cases failed"; exit 1; fi
echo "checker test: all cases caught"
