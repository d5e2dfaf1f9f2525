#!/usr/bin/env bash
# Fails, naming them, when the run in the directory $1 left temporary files
# ("*.tmp") in its progData/.
set -euo pipefail
dir=${1:?usage: check_no_temporary_files.sh RUN_DIRECTORY}
left=$(find "$dir/progData" -maxdepth 1 -name '*.tmp' -printf '%f\n' | sort)
if [[ -n $left ]]; then
  echo "temporary files left: $(echo "$left" | wc -l):" $left
  exit 1
fi
echo "no temporary files left"
