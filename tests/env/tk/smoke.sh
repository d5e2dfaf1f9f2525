#!/usr/bin/env bash
# Starts velmora_tk under a virtual X server on a copy of a configuration
# folder, drives it with a session script and checks the screenshot it
# leaves and the exit code it ends with. Exits 77 (skipped) when no X server
# can be started on this machine.
#   smoke.sh PROGRAM CONFIG_DIR SCRIPT [EXIT_CODE]
# EXIT_CODE 2 is that of a run interrupted by closing the window, 130 and
# 143 those of one that Ctrl-C or SIGTERM ended: such a session says
# "smoke: signalled" where the others say "smoke: done", and nothing of it
# runs after the signal.
set -u
prog=$1 config=$2 script=$3 want=${4:-0}
skip() { echo "SKIPPED: $*"; exit 77; }
command -v xvfb-run >/dev/null || skip "xvfb-run not found (Debian package xvfb)"
command -v import >/dev/null || skip "import not found (Debian package imagemagick)"
screen=(-a -s "-screen 0 1280x1024x24")
xvfb-run "${screen[@]}" true >/dev/null 2>&1 || skip "no X server could be started"

work=$(mktemp -d /tmp/velmora_tksmoke_XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$config"/. "$work"/
cd "$work"

# The program's own exit code is kept in a file: xvfb-run answers with its
# own code when it fails to clean up after the X server, whatever the program
# did.
VELMORA_SHOT="$work/shot.png" xvfb-run "${screen[@]}" \
  sh -c '"$0" -f omnetpp.ini --script="$1" >out.txt 2>err.txt; echo $? >rc.txt' "$prog" "$script"
xrc=$?
cat out.txt err.txt
# The screenshots are kept before anything is checked, those of a failed
# session too; a session may leave more, shot-WHAT.png, kept beside the first.
if [ -n "${VELMORA_KEEP_SHOT:-}" ]; then
  mkdir -p "$(dirname "$VELMORA_KEEP_SHOT")"
  [ -e shot.png ] && cp shot.png "$VELMORA_KEEP_SHOT"
  for more in shot-*.png; do
    [ -e "$more" ] && cp "$more" "${VELMORA_KEEP_SHOT%.png}-${more#shot-}"
  done
fi
[ -s rc.txt ] || { echo "FAILED: velmora_tk did not run (xvfb-run exited with $xrc)"; exit 1; }
rc=$(cat rc.txt)
[ "$rc" -eq "$want" ] || { echo "FAILED: velmora_tk exited with $rc, not $want"; exit 1; }
grep -q "<!> Error in script" err.txt && { echo "FAILED: the script stopped"; exit 1; }
[ -s shot.png ] || { echo "FAILED: no screenshot"; exit 1; }
colours=$(identify -format %k shot.png)
spread=$(convert shot.png -colorspace Gray -format "%[fx:standard_deviation]" info:)
echo "screenshot: $(identify -format '%wx%h' shot.png), $colours colours, grey spread $spread"
[ "$colours" -gt 16 ] || { echo "FAILED: the screenshot is blank"; exit 1; }
ending="smoke: done"
[ "$want" -ge 128 ] && ending="smoke: signalled"
grep -q "$ending" out.txt || { echo "FAILED: the script did not finish"; exit 1; }
grep -q "smoke: went on" out.txt && { echo "FAILED: the script went on after the signal"; exit 1; }
# A session that closes the window or is signalled mid-run leaves a partial
# run: said so, without temporary or finish files.
if [ "$want" -eq 2 ] || [ "$want" -ge 128 ]; then
  grep -q "^Interrupted at t=" err.txt || { echo "FAILED: the run is not said to be interrupted"; exit 1; }
  left=$(find . -name '*.tmp' -o -path '*finish/*' -type f | head -3)
  [ -z "$left" ] || { echo "FAILED: the interrupted run left $left"; exit 1; }
fi
exit 0
