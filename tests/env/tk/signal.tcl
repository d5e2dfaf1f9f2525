# Ctrl-C and SIGTERM end the program as they end the command line's: the run
# stops at its next event boundary, is said to be interrupted, removes its
# temporary files and writes no finish files. VELMORA_SIGNAL says which:
# TERM from another process while a run goes, INT while the run stands
# still and the window's loop idles. Nothing after the signal runs.
source [file join [file dirname [info script]] session.tcl]

vm_do fast "" 3000
check {[lindex [vm_status] 1] == 3000} "fast run until event 3000"
check {[llength [glob -nocomplain progData/*.tmp]] > 0} "the run has temporary files"
update
exec import -window root $env(VELMORA_SHOT)
if {$env(VELMORA_SIGNAL) eq "TERM"} {
    exec sh -c "sleep 1; kill -TERM [pid]" &
    puts "smoke: signalled while running"
    vm_do express
} else {
    exec kill -INT [pid]
    puts "smoke: signalled while standing still"
    after 3000 {set idle 1}
    vwait idle
}
puts "smoke: went on after the signal"
