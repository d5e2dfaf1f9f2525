#!/bin/sh
# Runs PROGRAM on fresh copies of the test bed SOURCE in WORK (removed
# afterwards), each under a process limit, and checks that the run ends with
# exit code 1 and its message, never killed or aborted: memory too small for
# the modules' stacks (the default stacks under a small limit, large stacks
# under a large one), a file-size limit that a statistics file reaches in the
# run, and too few file handles, which stops the set-up; the last two leave
# no temporary file behind.
# Each case: the limit, the ini's first lines (before the shipped ini is
# included), the message expected (an extended regular expression) and, when
# the run's temporary files are to be gone, "clean".
program=$1
source=$2
work=$3
failed=0
run_case() {
    limit=$1
    first=$2
    expected=$3
    clean=$4
    rm -rf "$work" && mkdir -p "$work" && cp "$source"/* "$work"/ 2>/dev/null
    printf '%b\ninclude omnetpp.ini\n' "$first" > "$work/limited.ini"
    (cd "$work" && sh -c "$limit; exec '$program' -f limited.ini --quiet" > out.txt 2> err.txt)
    rc=$?
    message=$(tail -n 1 "$work/err.txt")
    left=$(find "$work/progData" -name '*.tmp' 2>/dev/null | wc -l)
    echo "$limit: exit code $rc, $left temporary files left: $message"
    if [ "$rc" -ne 1 ] || ! printf '%s\n' "$message" | grep -Eq "$expected" ||
        { [ "$clean" = clean ] && [ "$left" -ne 0 ]; }; then
        echo "FAILED: $limit"
        failed=1
    fi
}
run_case "ulimit -v 300000" "" \
    "^<!> Error in module Velmora[^:]*: Not enough memory to create the module [A-Za-z0-9]+, module [0-9]+ of the network, each module with a stack of min-stack-size = 262144 bytes \(in \[General\]\)"
run_case "ulimit -v 16000000" "[General]\nmin-stack-size = 16777216" \
    "^<!> Error in module Velmora[^:]*: Not enough memory to create the module [A-Za-z0-9]+, module [0-9]+ of the network, each module with a stack of min-stack-size = 16777216 bytes"
run_case "ulimit -f 64" "" \
    "^<!> Error in module Velmora[^:]*: ---> Couldn't write file \"progData/[^\"]*\": File too large. Please check the file system$" clean
run_case "ulimit -n 20" "" \
    "^<!> Error in module Velmora[^:]*: ---> Couldn't open file \"[^\"]*\": Too many open files$" clean
rm -rf "$work"
exit $failed
