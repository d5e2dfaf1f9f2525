#!/usr/bin/env bash
# Checks the figures that the README ($2) states for the default run against
# the run in the directory $1: its simulated time and events (from the run's
# printed output, RunOutput.txt), its host I/Os and remote copies (the
# requests of the hosts' and the arrays' initiators in ScsiInitiator.Finish)
# and the rows of its IoFail.txt, and its closing line, which the README
# quotes as printed. Exits non-zero naming each figure that differs.
set -euo pipefail
dir=${1:?usage: check_readme_figures.sh RUN_DIRECTORY README}
readme=${2:?usage: check_readme_figures.sh RUN_DIRECTORY README}
finish=$dir/progData/finish/ScsiInitiator.Finish
iofail=$dir/progData/IoFail.txt

# shellcheck source=../shared/readme_text.sh
source "$(dirname "$0")/../shared/readme_text.sh"
number_of() { # a number written as a word or in digits
  case $1 in
    one) echo 1 ;; two) echo 2 ;; three) echo 3 ;; four) echo 4 ;; five) echo 5 ;;
    six) echo 6 ;; seven) echo 7 ;; eight) echo 8 ;; nine) echo 9 ;; *) echo "$1" ;;
  esac
}
requests_of() { # summed requests of the initiators whose path matches $1
  awk -v who="$1" '/^Velmora\./ { mine = $0 ~ who } mine && /IO Reqs/ { n += $NF } END { print n + 0 }' "$finish"
}

run_end=$(grep -oE 'No more events at t=[0-9.]+ s after [0-9]+ events' "$dir/RunOutput.txt")
run_time=$(sed -E 's/.*t=([0-9.]+) s.*/\1/' <<<"$run_end")
run_events=$(sed -E 's/.* after ([0-9]+) events/\1/' <<<"$run_end")
run_hosts=$(requests_of '\.Host[0-9]+\.Scsi$')
run_copies=$(requests_of '\.Dev[0-9]+\.Chip\[[0-9]+\]\.Scsi$')
run_fails=0
[[ -f $iofail ]] && run_fails=$(grep -cE '^ *[0-9]+ ' "$iofail")

failed=0
compare() { # what, stated, run
  if [[ $2 != "$3" ]]; then
    echo "README figures: the README says $2 $1, the run gives $3"
    failed=1
  else
    echo "README figures: $1 $2"
  fi
}
compare "simulated seconds" "$(stated '([0-9.]+) simulated seconds')" "$run_time"
compare "events" "$(stated '\(([0-9,]+) events\)')" "$run_events"
compare "host I/Os" "$(stated '([0-9,]+) host I/Os')" "$run_hosts"
compare "remote copies" "$(stated '([0-9,]+) remote copies')" "$run_copies"
if grep -q 'writes no `IoFail.txt`' <<<"$text"; then
  compare "IoFail.txt rows" 0 "$run_fails"
else
  compare "IoFail.txt rows" "$(number_of "$(stated '`IoFail.txt` holds ([a-z0-9]+) rows?')")" "$run_fails"
fi
run_closing=$(grep -E '^\*\* [0-9]+ I/Os requested' "$dir/RunOutput.txt" | tail -n1)
if grep -qF -- "    $run_closing" "$readme"; then
  echo "README figures: closing line $run_closing"
else
  echo "README figures: the README does not quote the run's closing line \"$run_closing\""
  failed=1
fi
exit $failed
