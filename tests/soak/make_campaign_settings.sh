#!/usr/bin/env bash
# Writes into the directory $2 a copy of the shipped test bed
# (examples/default) for one run of the settings campaign, drawn from the seed
# $1: a random subset of the settings is changed, each within the range its
# file accepts, across the hosts' workloads and buses, the port buffers, the
# arrays' caches, flush and clean policies, buses and LUN layouts, the disk
# model, the switches' time-outs and buffers, the processor and port timing
# models, the run's seed and statistics periods, the cable distances and the
# speed of light; about half the runs also get random link events
# (make_campaign_events.sh). The run is started with "campaign.ini", which sets
# the drawn root parameters before it includes omnetpp.ini; Settings.txt lists
# what was drawn. The same seed gives the
# same directory everywhere (the Park-Miller sequence of the fault campaign).
# With "short" each host's streams then make a tenth of their I/Os (at least
# one), for the slow sanitizer build.
#   tests/soak/make_campaign_settings.sh SEED DIR [short]
set -euo pipefail

seed=${1:?usage: make_campaign_settings.sh SEED DIR}
dir=${2:?usage: make_campaign_settings.sh SEED DIR [short]}
short=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$here/../../examples/default

# Another scramble than the link-event file's, so that the two draws of one
# seed do not run in step.
state=$(( (seed * 69621 + 7) % 2147483646 + 1 ))
. "$here/test_bed_ports.sh"
. "$here/config_tables.sh"

mkdir -p "$dir"
find "$source_dir" -maxdepth 1 -type f -print0 | xargs -0 cp -t "$dir"
edits=$dir/.edits
: > "$edits"
: > "$dir/Settings.txt"
: > "$dir/campaign-root.ini"

# Sets "drawn" to a whole number in [$1, $2].
between() { draw $(( $2 - $1 + 1 )); drawn=$(( drawn + $1 )); }
# Sets "drawn" to a decimal number in [$1, $2] thousandths, written in units.
thousandths() { between "$1" "$2"; printf -v drawn '%d.%03d' $(( drawn / 1000 )) $(( drawn % 1000 )); }
# Sets "drawn" to one of the arguments.
one_of() { local -a values=("$@"); draw ${#values[@]}; drawn=${values[drawn]}; }
# True for half the calls: whether the setting NAME is changed in this run.
# Every call leaves a line "drawn NAME" or "kept NAME" in Settings.txt, so
# that a campaign can tell which settings no run changed; the values drawn
# follow as lines "value NAME ...".
chosen() {
  draw 2
  if (( drawn )); then echo "drawn $1" >> "$dir/Settings.txt"; return 0; fi
  echo "kept $1" >> "$dir/Settings.txt"
  return 1
}
noted() { echo "value $*" >> "$dir/Settings.txt"; }

# One cell of a table: FILE SECTION ROW COLUMN VALUE (apply_table_edits.awk).
set_cell() { echo "$1 $2 $3 $4 $5" >> "$edits"; }
# The cells of the shipped files, "FILE SECTION ROW COLUMN", and the row count
# of each section, "FILE SECTION rows".
declare -A shipped
while read -r file section row column value; do
  if [[ $row == rows ]]; then shipped[$file $section rows]=$value
  else shipped[$file $section $row $column]=$value; fi
done < <(table_cells "$source_dir"/*.conf "$source_dir"/*.ini)
root() { echo "Velmora.$1 = $2" >> "$dir/campaign-root.ini"; noted "$1" "$2"; }

declare -A io_num
hosts=(Host1 Host2 Host3 Host4 Host5 Host6 Host7 Host8 Host9 Host10)
switches=(Sw1 Sw2 Sw3 Sw4 Sw5 Sw6 Sw7 Sw8 Sw9 Sw10 Sw11 Sw12)
arrays=(Dev1 Dev2 Dev3 Dev4)
timing_models=(HostCpu ChipCpu CmcCpu SwCpu FcHba2G FcArrayPort FcSwAsic)

# --- The run: its seed, statistics periods, distances and speed of light ---
if chosen seed; then
  between 1 999999
  echo "seed = $drawn" > "$dir/campaign-general.ini"
  noted seed "$drawn"
fi
if chosen statistics_periods; then
  for period in ioGenTimeScale cpuUtilTimeScale busUtilTimeScale cchUtilTimeScale \
                ioOpenTimeScale eeStatTimeScale dskStatTimeScale swStatTimeScale swCtrUpdTimeScale; do
    one_of 20 50 100 250 500 1000
    root "$period" "$drawn"
  done
fi
if chosen light_speed; then between 290000 300000; root light_speed "$drawn"; fi
for d in distC1C2 distC2C3 distC1C3; do
  if chosen "$d"; then one_of 0.01 1 10 40 80 150 300; root "$d" "$drawn"; fi
done

# --- Hosts: bus, I/O limits, HBA ports and workload ---
# Block ranges stay within the smallest LUN any drawn layout gives (a LUN of
# one 36 GB disk of 64 KB blocks has over 500,000 blocks), so that no stream
# runs past its LUN's end.
safe_blocks=0
random_block_row() {
  local file=$1 r=$2
  one_of intuniform uniform truncnormal
  local dist=$drawn
  set_cell "$file" "[3.1.2]" "$r" 2 "$dist"
  between 1000 200000; local hi=$drawn
  if [[ $dist == truncnormal ]]; then
    set_cell "$file" "[3.1.2]" "$r" 4 $(( hi / 2 ))
    set_cell "$file" "[3.1.2]" "$r" 5 $(( hi / 8 ))
  else
    set_cell "$file" "[3.1.2]" "$r" 4 0
    set_cell "$file" "[3.1.2]" "$r" 5 "$hi"
  fi
  set_cell "$file" "[3.1.2]" "$r" 6 -
  noted "block_pattern.$dist" "$file row $r up to $hi"
}
sequential_block_row() {
  local file=$1 r=$2
  between 0 100000
  set_cell "$file" "[3.1.2]" "$r" 4 "$drawn"
  noted block_pattern.seq_block "$file row $r from $drawn"
}
size_row() {
  local file=$1 r=$2 p1 p2="-" p3="-"
  one_of const_size uniform exponential truncnormal triang lognormal intuniform \
         poisson erlang_k gamma_d weibull pareto_shifted
  local dist=$drawn
  case $dist in
    const_size) one_of 0.5 1 2 4 8 16 64 256 1024; p1=$drawn ;;
    uniform) between 1 64; p1=$drawn; between 65 512; p2=$drawn ;;
    exponential) between 1 128; p1=$drawn ;;
    truncnormal) between 4 128; p1=$drawn; between 1 32; p2=$drawn ;;
    triang) between 1 8; p1=$drawn; between 9 32; p2=$drawn; between 33 256; p3=$drawn ;;
    lognormal) thousandths 500 4500; p1=$drawn; thousandths 100 1000; p2=$drawn ;;
    intuniform) between 1 16; p1=$drawn; between 17 256; p2=$drawn ;;
    poisson) between 1 64; p1=$drawn ;;
    erlang_k) between 1 5; p1=$drawn; between 4 64; p2=$drawn ;;
    gamma_d) thousandths 500 4000; p1=$drawn; between 2 16; p2=$drawn ;;
    weibull) between 4 64; p1=$drawn; thousandths 500 3000; p2=$drawn ;;
    pareto_shifted) thousandths 1500 3000; p1=$drawn; between 4 32; p2=$drawn; between 0 8; p3=$drawn ;;
  esac
  set_cell "$file" "[3.1.1]" "$r" 2 "$dist"
  set_cell "$file" "[3.1.1]" "$r" 4 "$p1"
  set_cell "$file" "[3.1.1]" "$r" 5 "$p2"
  set_cell "$file" "[3.1.1]" "$r" 6 "$p3"
  noted "size_pattern.$dist" "$file row $r $p1 $p2 $p3"
}
gap_row() {
  local file=$1 r=$2 p1 p2="-" p3="-"
  if [[ ${shipped[$file [3.1.3] $r 2]:-} == self_sim ]]; then
    between 50 5000; set_cell "$file" "[3.1.3]" "$r" 4 "$drawn"; p1=$drawn
    thousandths 1100 1900; set_cell "$file" "[3.1.3]" "$r" 5 "$drawn"; p2=$drawn
    thousandths 1100 1900; set_cell "$file" "[3.1.3]" "$r" 6 "$drawn"; p3=$drawn
    between 20 500; set_cell "$file" "[3.1.3]" "$r" 7 "$drawn"; p1="$p1 $p2 $p3 $drawn"
    between 1 16; set_cell "$file" "[3.1.3]" "$r" 8 "$drawn"
    noted gap_pattern.self_sim "$file row $r $p1 $drawn"
    return
  fi
  one_of exponential const_gap uniform truncnormal lognormal weibull
  local dist=$drawn
  case $dist in
    exponential) thousandths 200 40000; p1=$drawn ;;
    const_gap) thousandths 100 40000; p1=$drawn ;;
    uniform) thousandths 0 5000; p1=$drawn; thousandths 5001 40000; p2=$drawn ;;
    truncnormal) thousandths 1000 30000; p1=$drawn; thousandths 0 10000; p2=$drawn ;;
    lognormal) thousandths 0 3000; p1=$drawn; thousandths 100 1000; p2=$drawn ;;
    weibull) thousandths 500 30000; p1=$drawn; thousandths 500 3000; p2=$drawn ;;
  esac
  set_cell "$file" "[3.1.3]" "$r" 2 "$dist"
  set_cell "$file" "[3.1.3]" "$r" 9 "$p1"
  set_cell "$file" "[3.1.3]" "$r" 10 "$p2"
  set_cell "$file" "[3.1.3]" "$r" 11 "$p3"
  noted "gap_pattern.$dist" "$file row $r $p1 $p2 $p3"
}
port_buffers() {
  local file=$1 section=$2 r=$3 rx=$4 tx=$5 seq=${6:-}
  between 1 64; set_cell "$file" "$section" "$r" "$rx" "$drawn"; local v="$drawn"
  between 1 32; set_cell "$file" "$section" "$r" "$tx" "$drawn"; v="$v $drawn"
  if [[ -n $seq ]]; then between 1 64; set_cell "$file" "$section" "$r" "$seq" "$drawn"; v="$v $drawn"; fi
  noted port_buffers "$file $section row $r $v"
}

for h in "${hosts[@]}"; do
  f=$h.conf
  if chosen host_bus; then
    one_of 16 32 64; set_cell "$f" "[1]" 1 1 "$drawn"; w=$drawn
    one_of 33 66 100 133; set_cell "$f" "[1]" 1 2 "$drawn"
    noted host_bus "$h $w bit $drawn MHz"
  fi
  if chosen host_io_limits; then
    between 1 128; set_cell "$f" "[1]" 1 5 "$drawn"
    noted host_io_limits "$h MaxRdWrIo $drawn"
  fi
  if chosen host_ports; then
    n_rows=${shipped[$f [2] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do port_buffers "$f" "[2]" "$r" 5 6 7; done
  fi
  if chosen io_tables; then
    n_rows=${shipped[$f [3] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
      between 1 600; set_cell "$f" "[3]" "$r" 2 "$drawn"; n=$drawn; io_num[$f $r]=$n
      between 0 2000; set_cell "$f" "[3]" "$r" 3 "$drawn"
      noted io_tables "$h row $r $n I/Os from $drawn ms"
    done
  fi
  if chosen read_ratio; then
    n_rows=${shipped[$f [3.1] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
      between 0 100; set_cell "$f" "[3.1]" "$r" 2 "$drawn"; noted read_ratio "$h row $r $drawn"
    done
  fi
  if chosen size_patterns; then
    n_rows=${shipped[$f [3.1.1] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do size_row "$f" "$r"; done
  fi
  if chosen gap_patterns; then
    n_rows=${shipped[$f [3.1.3] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do gap_row "$f" "$r"; done
  fi
done

if [[ $short == short ]]; then
  for h in "${hosts[@]}"; do
    f=$h.conf
    for (( r = 1; r <= ${shipped[$f [3] rows]:-0}; r++ )); do
      n=${io_num[$f $r]:-${shipped[$f [3] $r 2]}}
      set_cell "$f" "[3]" "$r" 2 $(( n >= 10 ? n / 10 : 1 ))
    done
  done
fi

# --- Arrays: board buses and ports, cache, policies, back end, LUNs ---
mirrored_luns=" "
for f in Dev3.conf Dev4.conf; do
  for (( r = 1; r <= ${shipped[$f [6] rows]:-0}; r++ )); do mirrored_luns+="${shipped[$f [6] $r 1]:-} "; done
done
for a in "${arrays[@]}"; do
  f=$a.conf
  if chosen board_buses; then
    n_rows=${shipped[$f [1] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
      one_of 32 64; set_cell "$f" "[1]" "$r" 2 "$drawn"; w=$drawn
      one_of 66 100 133; set_cell "$f" "[1]" "$r" 3 "$drawn"; c=$drawn
      between 1 128; set_cell "$f" "[1]" "$r" 6 "$drawn"
      noted board_buses "$a board $r $w bit $c MHz MaxRdWrIo $drawn"
    done
  fi
  if chosen array_ports; then
    n_rows=${shipped[$f [2] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do port_buffers "$f" "[2]" "$r" 6 7 8; done
  fi
  if chosen control_memory; then
    one_of 1 8 64 256 512 2048; set_cell "$f" "[3]" 1 2 "$drawn"; v="cache $drawn MB"
    one_of 32 64 128; set_cell "$f" "[3]" 1 3 "$drawn"; v="$v bus $drawn"
    one_of 66 133 266; set_cell "$f" "[3]" 1 4 "$drawn"; v="$v x $drawn"
    thousandths 100 5000; set_cell "$f" "[3]" 1 5 "$drawn"; v="$v delay $drawn"
    one_of y n; set_cell "$f" "[3]" 1 7 "$drawn"; noted control_memory "$a $v write-through $drawn"
  fi
  if chosen flush_policy; then
    one_of None Fixed Adapt; policy=$drawn
    set_cell "$f" "[3.1]" 1 1 "$policy"
    # The thresholds in millionths; flushing stops at or below where it starts.
    one_of 200 600 2000 10000 50000 200000 500000 1000000; on=$drawn
    between 0 100; off=$(( on * drawn / 100 ))
    printf -v on '%d.%06d' $(( on / 1000000 )) $(( on % 1000000 ))
    printf -v off '%d.%06d' $(( off / 1000000 )) $(( off % 1000000 ))
    set_cell "$f" "[3.1]" 1 2 "$on"
    set_cell "$f" "[3.1]" 1 3 "$off"
    one_of 10 50 100 500; set_cell "$f" "[3.1]" 1 4 "$drawn"; v="$policy on $on off $off every $drawn ms"
    thousandths 10 1000; set_cell "$f" "[3.1]" 1 5 "$drawn"; v="$v max $drawn"
    thousandths 10 500; set_cell "$f" "[3.1]" 1 6 "$drawn"; v="$v ini $drawn"
    thousandths 10 500; set_cell "$f" "[3.1]" 1 7 "$drawn"; v="$v min $drawn"
    thousandths 100 1000; set_cell "$f" "[3.1]" 1 8 "$drawn"; v="$v tol $drawn"
    thousandths 100 3000; set_cell "$f" "[3.1]" 1 9 "$drawn"; v="$v agg $drawn"
    noted "flush_policy.$policy" "$a $v"
  fi
  if chosen clean_policy; then
    one_of Y n; set_cell "$f" "[3.2]" 1 1 "$drawn"; v="$drawn"
    one_of 20 100 200 1000; set_cell "$f" "[3.2]" 1 2 "$drawn"; v="$v every $drawn ms"
    for c in 3 4 5 6 7; do thousandths 0 1000; set_cell "$f" "[3.2]" 1 "$c" "$drawn"; v="$v $drawn"; done
    noted clean_policy "$a $v"
  fi
  if chosen back_end_buses; then
    n_rows=${shipped[$f [4] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
      one_of 32 64; set_cell "$f" "[4]" "$r" 2 "$drawn"; w=$drawn
      one_of 66 100 133; set_cell "$f" "[4]" "$r" 3 "$drawn"
      noted back_end_buses "$a board $r $w bit $drawn MHz"
    done
  fi
  if chosen array_groups; then
    n_rows=${shipped[$f [5] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
      one_of 1 2; set_cell "$f" "[5]" "$r" 3 "$drawn"; s=$drawn
      one_of Y n; set_cell "$f" "[5]" "$r" 6 "$drawn"
      noted array_groups "$a group $r loop ${s}G sector answers $drawn"
    done
  fi
  if chosen lun_layout; then
    n_rows=${shipped[$f [6] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
      lun=${shipped[$f [6] $r 1]:-}
      blk=${shipped[$f [6] $r 3]:-}
      depth=${shipped[$f [6] $r 5]:-}
      # A remotely mirrored LUN keeps the blocks and stripes of its mirror:
      # the copy must hold as many blocks.
      if [[ $mirrored_luns != *" $lun "* ]]; then
        one_of 4 8 16 32 64; blk=$drawn
        set_cell "$f" "[6]" "$r" 3 "$blk"
        one_of 1 2 4 8; depth=$(( blk * drawn ))
        set_cell "$f" "[6]" "$r" 5 "$depth"
        safe_blocks=1
      fi
      one_of 1 2 4 16 64 128; set_cell "$f" "[6]" "$r" 4 "$drawn"
      noted lun_layout "$a $lun block $blk KB stripe $depth KB $drawn at once"
    done
  fi
done

# Workloads drawn anew, and every block range once any LUN's block size changed.
for h in "${hosts[@]}"; do
  f=$h.conf
  (( safe_blocks )) && echo "drawn block_patterns" >> "$dir/Settings.txt" || chosen block_patterns || continue
  n_rows=${shipped[$f [3.1.2] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do
    if [[ ${shipped[$f [3.1.2] $r 2]:-} == seq_block ]]; then sequential_block_row "$f" "$r"
    else random_block_row "$f" "$r"; fi
  done
done

# --- The disk model (every array's disks) ---
m=VM36G15K.params.ini
if chosen disk_geometry; then
  one_of 512 1024 2048; set_cell "$m" @ 3 2 "$drawn"; v="sector $drawn"
  one_of 1 3 5 9 15; set_cell "$m" @ 3 4 "$drawn"; v="$v bands $drawn"
  one_of 0 1; set_cell "$m" @ 3 7 "$drawn"; v="$v L2P $drawn"
  between 4 8; set_cell "$m" @ 3 8 "$drawn"; v="$v heads $drawn"
  noted disk_geometry "$v"
fi
if chosen disk_mechanics; then
  one_of 5400 7200 10000 15000; set_cell "$m" @ 3 9 "$drawn"; v="rpm $drawn"
  # The buffer holds at least one sector of the largest size.
  one_of 2 64 512 8192 16384; set_cell "$m" @ 3 10 "$drawn"; v="$v buffer $drawn KB"
  for c in 1 2 3 4 5; do thousandths 10 2000; set_cell "$m" @ 4 "$c" "$drawn"; v="$v $drawn"; done
  one_of 1 2 4 16 64; set_cell "$m" @ 4 6 "$drawn"; v="$v queue $drawn"
  thousandths 0 50000; set_cell "$m" @ 4 7 "$drawn"; noted disk_mechanics "$v delay $drawn us"
fi

# --- Switches ---
for s in "${switches[@]}"; do
  f=$s.conf
  if chosen switch_timeouts; then
    between 2000 20000; set_cell "$f" "[1]" 1 2 "$drawn"; ra=$drawn
    between 500 $(( ra / 2 )); set_cell "$f" "[1]" 1 3 "$drawn"
    noted switch_timeouts "$s R_A_TOV $ra E_D_TOV $drawn"
  fi
  if chosen switch_ports; then
    n_rows=${shipped[$f [2] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do port_buffers "$f" "[2]" "$r" 6 7; done
  fi
done

# --- Processor and port timing models ---
for t in "${timing_models[@]}"; do
  f=$t.ini
  if chosen "timing.$t"; then
    between 50 4000; set_cell "$f" "[1]" 1 1 "$drawn"; v="cpu $drawn MHz"
    between 33 1066; set_cell "$f" "[1]" 1 2 "$drawn"; v="$v memory $drawn MHz"
    one_of 0.25 0.5 2 4; factor=$drawn
    n_rows=${shipped[$f [2] rows]:-0}; for (( r = 1; r <= n_rows; r++ )); do set_cell "$f" "[2]" "$r" 2 "*$factor"; done
    noted "timing.$t" "$v instructions x $factor"
  fi
done

# --- Link events ---
if chosen link_events; then
  "$here/make_campaign_events.sh" "$seed" > "$dir/CampaignLinkEvents.txt"
  root linkEventFile '"CampaignLinkEvents.txt"'
  root maxLinkEv 6
fi

awk -f "$here/apply_table_edits.awk" "$edits" "$source_dir" "$dir"
rm -f "$edits"

{
  echo "; Settings campaign, seed $seed: the drawn root settings, then the shipped run."
  echo "; Generated by make_campaign_settings.sh; do not edit."
  echo "[General]"
  # Slow but valid settings (a LUN serving one I/O at a time on slow disks)
  # take a few hundred simulated seconds: past the shipped bed's safety net.
  echo "sim-time-limit = 3600s"
  [[ -f $dir/campaign-general.ini ]] && cat "$dir/campaign-general.ini"
  echo
  echo "[Parameters]"
  cat "$dir/campaign-root.ini"
  echo
  echo "include omnetpp.ini"
} > "$dir/campaign.ini"
rm -f "$dir/campaign-general.ini" "$dir/campaign-root.ini"
