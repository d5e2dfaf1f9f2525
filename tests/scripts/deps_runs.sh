#!/usr/bin/env bash
# Runs scripts/deps ($1) against stand-ins for the package tools, kept in a
# scratch folder that is the whole PATH: dpkg knows no package, apt-get and
# sudo write down how they were called.
#   1. Not root, sudo at hand: update and install both wait for the package
#      manager's lock, through sudo, and install every package.
#   2. Not root, no sudo: nothing is run; the missing packages are named
#      with the command to run as root, and the script fails.
#   3. No apt-get: the packages to install by hand are named, and the build
#      goes on.
set -u
deps="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

stand_ins() { # $1: folder; the rest: tools to make
  local dir="$1"; shift
  mkdir -p "$dir"
  ln -sf "$(command -v env)" "$dir/env"
  for tool in "$@"; do
    case "$tool" in
      dpkg) printf '#!/bin/sh\nexit 1\n' >"$dir/dpkg" ;;
      id) printf '#!/bin/sh\necho 1000\n' >"$dir/id" ;;
      apt-get) printf '#!/bin/sh\necho "apt-get $*" >>%s/calls\n' "$scratch" >"$dir/apt-get" ;;
      sudo) printf '#!/bin/sh\necho "sudo $1" >>%s/calls\nexec "$@"\n' "$scratch" >"$dir/sudo" ;;
    esac
    chmod +x "$dir/$tool"
  done
}

run_deps() { # $1: folder of stand-ins; sets out and rc
  rm -f "$scratch/calls"
  out=$(PATH="$1" "$BASH" "$deps" 2>&1)
  rc=$?
  calls=$(cat "$scratch/calls" 2>/dev/null || true)
}

stand_ins "$scratch/sudo" dpkg id apt-get sudo
run_deps "$scratch/sudo"
[ "$rc" -eq 0 ] || fail "with sudo the script succeeds (exit $rc): $out"
echo "$calls" | grep -q '^apt-get -o DPkg::Lock::Timeout=[1-9][0-9]* update' ||
  fail "update waits for the lock: $calls"
echo "$calls" | grep -q '^apt-get -o DPkg::Lock::Timeout=[1-9][0-9]* install -y -qq cmake g++ .* imagemagick$' ||
  fail "install waits for the lock and installs every package: $calls"
[ "$(echo "$calls" | grep -c '^sudo ')" -eq 2 ] || fail "both run through sudo: $calls"

stand_ins "$scratch/nosudo" dpkg id apt-get
run_deps "$scratch/nosudo"
[ "$rc" -ne 0 ] || fail "without sudo the script fails"
[ -z "$calls" ] || fail "without sudo nothing is run: $calls"
echo "$out" | grep -q 'apt-get install cmake g++ .* imagemagick' || fail "the packages are named: $out"

stand_ins "$scratch/noapt" id
run_deps "$scratch/noapt"
[ "$rc" -eq 0 ] || fail "without apt-get the build goes on (exit $rc)"
echo "$out" | grep -q 'by hand: cmake g++ .*tk-dev xvfb xauth imagemagick' || fail "the packages to install are named: $out"

[ "$failures" -eq 0 ] && echo "scripts/deps: all cases hold"
exit "$failures"
