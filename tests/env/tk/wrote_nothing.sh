#!/bin/sh
# Fails when the run in the folder $1 wrote anything under progData/: a
# program that could not start was to end before it set up the network.
left=$(find "$1/progData" -type f 2>/dev/null | head -3)
[ -z "$left" ] || { echo "the run wrote $left"; exit 1; }
