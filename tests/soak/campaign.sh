#!/usr/bin/env bash
# The fault campaign: runs the shipped test bed (examples/default) once per
# seed, each run with its own link-event file from make_campaign_events.sh,
# a few runs at a time, and checks every run: exit code 0 after a normal end
# ("No more events"), no leaked message, and the initiators' files in
# agreement (check_soak_run.sh). Prints one line per seed and the totals;
# exits non-zero when any run fails. The directories of failed runs are kept.
# With -s it is the settings campaign instead: each run is a copy of the test
# bed with a random subset of its settings changed (make_campaign_settings.sh),
# checked by check_campaign_run.sh; the totals then also name the settings
# that no run changed.
#   tests/soak/campaign.sh -p build/dev/env/velmora_cmd [-j 3] [-o DIR] [-k] [-s [-q]] FIRST_SEED [COUNT]
#   -j  runs at a time (3)
#   -o  where the runs go (a new directory under /tmp when not given)
#   -k  keep the directories of passed runs too
#   -s  the settings campaign
#   -q  (with -s) each run's streams make a tenth of their I/Os: for the
#       sanitizer build
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$here/../../examples/default
program=""
jobs=3
out=""
keep=0
settings=0
short=""
while getopts "p:j:o:ksq" opt; do
  case $opt in
    p) program=$OPTARG ;;
    j) jobs=$OPTARG ;;
    o) out=$OPTARG ;;
    k) keep=1 ;;
    s) settings=1 ;;
    q) short=short ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
first=${1:?usage: campaign.sh -p PROGRAM [-j JOBS] [-o DIR] [-k] [-s [-q]] FIRST_SEED [COUNT]}
count=${2:-1}
[[ -x $program ]] || { echo "campaign: no program ${program:-given} (-p)"; exit 2; }
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
[[ -n $out ]] || out=$(mktemp -d /tmp/velmora-campaign.XXXXXX)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# One run of the settings campaign: prints "seed S: ok|FAILED ..." and writes
# its summary to $out/seed-S.result as "S status ios aborts", and the settings
# it drew to $out/seed-S.settings.
run_settings_seed() {
  local seed=$1 dir=$out/seed-$1
  rm -rf "$dir"
  "$here/make_campaign_settings.sh" "$seed" "$dir" $short
  cp "$dir/Settings.txt" "$out/seed-$seed.settings"
  local rc=0
  (cd "$dir" && "$program" -f campaign.ini > run.log 2>&1) || rc=$?
  local why=""
  (( rc == 0 )) || why="exit code $rc: $(grep -m1 -E 'ERROR|EROOR|--->|rror' "$dir/run.log" || tail -n1 "$dir/run.log")"
  "$here/check_campaign_run.sh" "$dir" > "$dir/check.log" 2>&1 || {
    [[ -n $why ]] || why="$(grep -m1 'check failed' "$dir/check.log" || tail -n1 "$dir/check.log")"
  }
  local ios aborts
  read -r ios aborts < <(awk '/^campaign check: / { print $5, $7 }' "$dir/check.log") || true
  report_seed "$seed" "$dir" "$why" "${ios:-0}" "${aborts:-0}" ""
}

# Prints a run's line and writes its summary to $out/seed-S.result as
# "S status ios aborts"; a passed run's directory goes unless -k.
#   report_seed SEED DIR WHY IOS ABORTS DETAIL
report_seed() {
  local seed=$1 dir=$2 why=$3 ios=$4 aborts=$5 detail=$6
  if [[ -z $why ]]; then
    echo "seed $seed: ok, ${detail}$ios I/Os, $aborts aborted"
    echo "$seed ok $ios $aborts" > "$out/seed-$seed.result"
    (( keep )) || rm -rf "$dir"
  else
    echo "seed $seed: FAILED, $why (in $dir)"
    echo "$seed failed $ios $aborts" > "$out/seed-$seed.result"
  fi
}

# One run: prints "seed S: ok|FAILED ..." and writes its summary to
# $out/seed-S.result as "S status ios aborts".
run_seed() {
  local seed=$1 dir=$out/seed-$1
  (( settings )) && { run_settings_seed "$seed"; return; }
  rm -rf "$dir"
  mkdir -p "$dir"
  find "$source_dir" -maxdepth 1 -type f -exec cp {} "$dir" \;
  "$here/make_campaign_events.sh" "$seed" > "$dir/CampaignLinkEvents.txt"
  cat > "$dir/campaign.ini" <<'INI'
[Parameters]
Velmora.linkEventFile = "CampaignLinkEvents.txt"
Velmora.maxLinkEv = 6

include omnetpp.ini
INI
  local rc=0
  (cd "$dir" && "$program" -f campaign.ini > run.log 2>&1) || rc=$?
  local why=""
  if (( rc != 0 )); then
    why="exit code $rc: $(grep -m1 -E 'ERROR|EROOR|--->|rror' "$dir/run.log" || tail -n1 "$dir/run.log")"
  elif ! grep -q 'No more events' "$dir/run.log"; then
    why="no normal end: $(tail -n1 "$dir/run.log")"
  elif grep -q 'leaked' "$dir/run.log"; then
    why="$(grep -m1 leaked "$dir/run.log")"
  fi
  local ports
  ports=$(grep -c '^@' "$dir/CampaignLinkEvents.txt" || true)
  "$here/check_soak_run.sh" "$dir" "$ports" > "$dir/check.log" 2>&1 || {
    [[ -n $why ]] || why="$(grep -m1 'check failed' "$dir/check.log" || tail -n1 "$dir/check.log")"
  }
  local ios aborts
  read -r ios aborts < <(awk '/^soak: / { print $4, $6 }' "$dir/check.log") || true
  report_seed "$seed" "$dir" "$why" "${ios:-0}" "${aborts:-0}" "$ports ports, "
}

for (( s = first; s < first + count; s++ )); do
  while (( $(jobs -rp | wc -l) >= jobs )); do
    wait -n || true
  done
  run_seed "$s" &
done
wait

if (( settings )); then
  awk -v first="$first" -v last=$((first + count - 1)) '
    FNR == 1 { seed = FILENAME; sub(/.*seed-/, "", seed); sub(/\.settings$/, "", seed); use = seed >= first && seed <= last }
    use && ($1 == "drawn" || $1 == "kept") { offered[$2] = 1; if ($1 == "drawn") drawn[$2] = 1 }
    use && $1 == "value" { values[$2] = 1 }
    END {
      for (s in offered) if (!(s in drawn)) never = never " " s
      print "campaign: settings never drawn:" (never == "" ? " none" : never)
      for (v in values) seen = seen " " v
      print "campaign: values drawn:" seen
    }' "$out"/seed-*.settings
fi

awk -v first="$first" -v last=$((first + count - 1)) '
  $1 >= first && $1 <= last { runs++; ios += $3; aborts += $4; if ($2 == "ok") ok++ }
  END {
    printf "campaign: %d seeds, %d passed, %d failed, %d I/Os, %d aborted\n", runs, ok, runs - ok, ios, aborts
    exit ok != runs
  }' "$out"/seed-*.result
