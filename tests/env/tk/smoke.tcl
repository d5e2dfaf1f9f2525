# Drives the window as a user would: opens the network and a module, looks
# at a scheduled message, steps, runs a little in each mode and leaves a
# screenshot. Any failed check raises an error, which fails the session.
source [file join [file dirname [info script]] session.tcl]

set root [node_id PingPong]
set ping [node_id PingPong.Ping]
vm_open $root
check {[winfo exists .c$root]} "the network's picture is open"
check {[llength [.c$root.cv find withtag mod]] >= 4} "both submodules are drawn"
check {[llength [.c$root.cv find withtag conn]] == 2} "both connections are drawn"
vm_open $ping
check {[winfo exists .m$ping]} "the module inspector is open"

vm_do step
vm_do step
check {[lindex [vm_status] 1] == 2} "two steps took two events"
vm_show_events
set first [lindex [.events.t children [lindex [.events.t children {}] 0]] 0]
set address [lindex [.events.t item $first -tags] 0]
set w [vm_inspect_message_at $address]
check {$w ne ""} "the scheduled message opens"
set found 0
foreach r [vm_inspect_message $address] {
    if {[lindex $r 1] eq "name" && [lindex $r 2] eq "PING"} { set found 1 }
}
check {$found} "the message inspector shows its name"

vm_do normal "" 12
check {[lindex [vm_status] 1] == 12} "normal run until event 12"
vm_do fast "" 300
check {[lindex [vm_status] 1] == 300} "fast run until event 300"
check {[llength [vm_log PingPong.Pong]] > 0} "the log holds Pong's lines"
vm_do express 0.01
check {[lindex [vm_status] 0] <= 0.01 && [lindex [vm_status] 1] > 300} "express run until t=0.01"
# Run until, in the mode chosen beside it: Express collects no output.
set lines [vm_log_total]
set target [expr {[lindex [vm_status] 1] + 50}]
set vm(untilMode) express
set vm(untilTime) ""
set vm(untilEvent) $target
vm_until
check {[lindex [vm_status] 1] == $target} "run until event $target in express mode"
check {[vm_log_total] == $lines} "express mode collects no module output"
set vm(untilMode) normal
set vm(untilEvent) [incr target 3]
vm_until
check {[lindex [vm_status] 1] == $target && [vm_log_total] > $lines} "run until in normal mode logs"
# No window manager places the windows: lay them out for the screenshot.
wm geometry . 1000x560+0+0
wm geometry .c$root 420x400+0+600
wm geometry .m$ping 420x400+430+600
wm geometry $w 420x400+860+600
wm geometry .events 270x560+1005+0
vm_refresh 1
update
after 300
update
exec import -window root $env(VELMORA_SHOT)
# Closing the window stops a run at the next event boundary.
set at [lindex [vm_status] 1]
after idle {destroy .}
vm_do normal
check {[lindex [vm_status] 1] <= $at + 1} "closing the window stopped the run"
puts "smoke: done at event [lindex [vm_status] 1]"
