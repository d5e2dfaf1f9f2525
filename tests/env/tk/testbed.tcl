# Drives the window on the test bed with every device at its least port
# count and no input files: the whole network is built, its initialisation
# stops at the first link-event file, and the window shows the network with
# the error in its dialog and the run stopped. Any failed check raises an error, which
# fails the session.
source [file join [file dirname [info script]] session.tcl]
proc images_in {w} {
    set n 0
    foreach item [$w.cv find withtag mod] {
        if {[$w.cv type $item] eq "image"} { incr n }
    }
    return $n
}
proc section_rows {rows name} {
    set out {}
    foreach r $rows {
        if {[lindex $r 0] eq $name} { lappend out $r }
    }
    return $out
}

update
set expected "Error in module Velmora.DataCtr1.Host1.NxPort\[0\].Fc1.TxEvGen: ---> Couldn't open file \"linkEvents.txt\": No such file or directory"
lassign [vm_status] t n rate running state
check {$state eq "failed" && $n == 0 && !$running} "the run is stopped as failed before any event"
check {[vm_setup_error] eq $expected} "the error names the first link-event generator"
check {[winfo exists .error] && [.error.m cget -text] eq $expected} "the error is shown in its dialog"
set root [node_id Velmora]
check {[winfo exists .c$root] && [images_in .c$root] == 3} "the network's picture shows the three sites"

# A stopped run stays stopped, and a restart stops at the same place.
check {[string match "The run failed*" [vm_do step]]} "a step is refused"
check {[lindex [vm_status] 1] == 0} "no event ran"
destroy .error
vm_restart_run
update
check {[winfo exists .error] && [.error.m cget -text] eq $expected} "the restarted set-up shows the error again"
check {[lindex [vm_status] 4] eq "failed"} "the restarted run is stopped"

set site [node_id Velmora.DataCtr1]
set sw [node_id Velmora.DataCtr1.Sw1]
set port [node_id Velmora.DataCtr1.Sw1.SwPort\[0\]]
set host [node_id Velmora.DataCtr1.Host1]
foreach id [list $site $sw $port] { vm_open $id }
check {[winfo exists .c$site] && [winfo exists .c$sw] && [winfo exists .c$port]} "the site, a switch and its port open as pictures"
# Hosts, switches and the storage device carry icons; the cables are drawn.
check {[images_in .c$site] >= 13} "the site's devices are drawn as icons"
check {[llength [.c$site.cv find withtag conn]] > 0} "the site's cables are drawn"
check {[llength [.c$sw.cv find withtag conn]] > 0} "the switch's connections are drawn"
check {[images_in .c$sw] == [llength [lindex [vm_find_node [vm_tree] $sw] 4]]} "every part of the switch has its icon"

# A module with queues: its inspector lists them and each opens on its own.
set withQueues ""
foreach node [lindex [vm_find_node [vm_tree] $port] 4] {
    foreach inner [concat [list $node] [lindex $node 4]] {
        if {$withQueues eq "" && [llength [section_rows [vm_inspect_module [lindex $inner 0]] queues]] > 0} {
            set withQueues [lindex $inner 0]
        }
    }
}
check {$withQueues ne ""} "a module of the switch port has queues"
set m [vm_inspect $withQueues]
set queues [section_rows [vm_inspect_module $withQueues] queues]
check {[llength [$m.t children squeues]] == [llength $queues]} "the module inspector lists its queues"
set q [vm_inspect_queue_at [lindex [lindex $queues 0] 3]]
check {$q ne "" && [winfo exists $q]} "a queue opens in its own inspector"
set qrows [vm_inspect_queue [lindex [lindex $queues 0] 3]]
check {[lindex [lindex $qrows 1] 2] eq [vm_module_path $withQueues]} "the queue names its module"
check {[lindex [lindex $qrows 2] 2] == 0} "nothing is queued before the run"

# No window manager places the windows: lay them out for the screenshot.
wm geometry . 640x300+0+0
wm geometry .c$root 300x260+0+330
wm geometry .c$site 640x420+0+600
wm geometry .c$sw 330x300+650+0
wm geometry .c$port 300x300+980+0
wm geometry $m 330x300+650+320
wm geometry $q 300x300+980+320
vm_refresh 1
update
wm geometry .error +300+330
raise .error
update
after 300
update
exec import -window root $env(VELMORA_SHOT)
puts "smoke: done at event [lindex [vm_status] 1]"
