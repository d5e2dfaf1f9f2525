# Drives the window on the shipped test bed as a user watching an I/O cross
# the SAN: runs fast to a fixed event with the peak memory checked, opens
# DataCtr1 and a host, steps until a frame is on its way between a host and
# a switch and leaves a screenshot of it drawn on the cable; an address field
# of a scheduled frame, and numbers and names its fields cannot hold, are
# refused and the run goes on. Any failed check raises an error, which fails
# the session.
source [file join [file dirname [info script]] session.tcl]
proc peak_mb {} {
    set f [open /proc/[pid]/status]
    set status [read $f]
    close $f
    check {[regexp {VmHWM:\s+([0-9]+) kB} $status -> kb]} "the peak memory is known"
    return [expr {$kb / 1024}]
}
# The first message on its way along a cable of the site's picture that
# joins a host and a switch, with that cable's key; empty when none.
proc host_switch_frame {site} {
    global typeOf
    foreach m [vm_in_flight] {
        lassign $m name part path
        if {![string match FC_FRAME* $name]} continue
        foreach hop $path {
            lassign $hop cid key
            if {$cid != $site} continue
            foreach t [.c$site.cv gettags $key] {
                if {[regexp {^c([0-9]+)-([0-9]+)$} $t -> a b] && [info exists typeOf($a)] && [info exists typeOf($b)] &&
                    [lsort [list $typeOf($a) $typeOf($b)]] eq {ClientHost FcSwitch}} {
                    return [expr {$typeOf($a) eq "ClientHost" ? [list $name $key $a $b] : [list $name $key $b $a]}]
                }
            }
        }
    }
    return ""
}
proc distance_to_line {x y coords} {
    set best 1e9
    for {set k 0} {$k + 3 < [llength $coords]} {incr k 2} {
        lassign [lrange $coords $k [expr {$k + 3}]] x0 y0 x1 y1
        set dx [expr {$x1 - $x0}]; set dy [expr {$y1 - $y0}]
        set t [expr {($dx * $dx + $dy * $dy) > 0 ? (($x - $x0) * $dx + ($y - $y0) * $dy) / ($dx * $dx + $dy * $dy) : 0}]
        set t [expr {max(0.0, min(1.0, $t))}]
        set best [expr {min($best, hypot($x0 + $t * $dx - $x, $y0 + $t * $dy - $y))}]
    }
    return $best
}

# The whole tool bar fits the window as it opens.
update
set opened [winfo width .]x[winfo height .]
check {[winfo ismapped .tb.mode] && [winfo width .tb.mode] >= [winfo reqwidth .tb.mode] &&
       [winfo x .tb.mode] + [winfo width .tb.mode] <= [winfo width .tb]} "the mode menu is whole inside the window"

set fastTo 300000
set limit [expr {[info exists env(VELMORA_PEAK_MB)] ? $env(VELMORA_PEAK_MB) : 400}]
vm_do fast "" $fastTo
check {[lindex [vm_status] 1] == $fastTo} "fast run until event $fastTo"
set peak [peak_mb]
puts "peak memory after fast to event $fastTo: $peak MB (limit $limit MB)"
check {$peak < $limit} "the peak memory stays under $limit MB"
check {[.pw.right.log count -lines 1.0 end] <= 5001} "the log widget holds at most 5000 lines"
set first [.pw.right.log get 1.0 "1.0 lineend"]
check {[regexp {^#[0-9]+  t=[0-9.e-]+  } $first]} "a log line starts with its event number and time: $first"

# Every module of the bed, those made while it initialised included, is
# drawn with an icon of its own.
proc without_icon {node} {
    lassign $node id name type compound children
    set missing {}
    if {$compound} {
        foreach b [lindex [vm_picture $id] 3] {
            lassign $b sid sname stype icon
            if {"icon:$icon" ni [image names]} { lappend missing $stype }
        }
    }
    foreach c $children { lappend missing {*}[without_icon $c] }
    return [lsort -unique $missing]
}
set missing [without_icon [vm_tree]]
check {$missing eq ""} "every module type has an icon (not: $missing)"

set site [node_id Velmora.DataCtr1]
foreach c [lindex [vm_find_node [vm_tree] $site] 4] { set typeOf([lindex $c 0]) [lindex $c 2] }
vm_open $site
check {[llength [.c$site.cv find withtag gate]] > 0} "the site's gates are drawn on its border"
check {[llength [.c$site.cv find withtag legend]] >= 2} "the cable colours have a legend"
set pairs {}
foreach item [.c$site.cv find withtag legend] {
    if {[.c$site.cv type $item] ne "text"} continue
    foreach pair [split [string map {", " "\n"} [.c$site.cv itemcget $item -text]] "\n"] {
        check {$pair ni $pairs} "$pair has one colour in the legend"
        lappend pairs $pair
    }
}
update
lassign [.c$site.cv cget -scrollregion] x0 y0 x1 y1
check {[winfo width .c$site.cv] >= $x1 - $x0 && [winfo height .c$site.cv] >= $y1 - $y0} \
    "the site's picture opens as large as what it draws"

set found ""
for {set i 0} {$i < 5000 && $found eq ""} {incr i} {
    vm_run step
    set found [host_switch_frame $site]
}
check {$found ne ""} "a frame between a host and a switch is on its way within 5000 steps"
lassign $found frame cable hostId switchId
vm_open $hostId
vm_refresh 1
set marks [.c$site.cv find withtag flight]
set onCable 0
foreach item $marks {
    if {[.c$site.cv type $item] ne "oval"} continue
    lassign [.c$site.cv coords $item] x0 y0 x1 y1
    if {[distance_to_line [expr {($x0 + $x1) / 2}] [expr {($y0 + $y1) / 2}] [.c$site.cv coords $cable]] < 1} { incr onCable }
}
check {$onCable >= 1} "the frame is drawn on the cable from [vm_module_path $hostId] to [vm_module_path $switchId]"
# Messages that share a cable in the picture are one mark.
set cables {}
set messages 0
foreach m [vm_in_flight] {
    set points [vm_path_points .c$site $site [lindex $m 2]]
    if {[llength $points] < 4} continue
    incr messages
    if {$points ni $cables} { lappend cables $points }
}
set ovals 0
foreach item $marks { if {[.c$site.cv type $item] eq "oval"} { incr ovals } }
puts "in flight in the site's picture: $messages messages on [llength $cables] cables, $ovals marks"
check {$ovals == [llength $cables]} "one mark per cable that messages are on"

# The frame's inspector: who sent it, where it goes, and its context pointer
# shown but not editable.
set address ""
foreach r [vm_events] {
    if {[string match "(FcFrameHead)*" [lindex $r 2]] && $address eq ""} {
        set rows [vm_inspect_message [lindex $r 3]]
        foreach row $rows {
            if {[lindex $row 1] eq "ctxPtr (long, read-only)"} { set address [lindex $r 3]; set ctx $row }
        }
    }
}
check {$address ne ""} "a scheduled frame head shows its context pointer as read-only"
set w [vm_inspect_message_at $address]
set before [lindex $ctx 2]
check {![vm_edit_field $address [lindex $ctx 3] 12345]} "the pointer edit is refused"
foreach row [vm_inspect_message $address] {
    if {[lindex $row 1] eq "ctxPtr (long, read-only)"} { check {[lindex $row 2] eq $before} "the pointer is kept" }
}
# Numbers outside a field's type and names outside its enumeration are
# refused, and the field keeps its value.
foreach row [vm_inspect_message $address] {
    switch -glob -- [lindex $row 1] {
        "ffq.oxId (*" { set oxId $row }
        "sof (*" { set sof $row }
    }
}
foreach {row text} [list $oxId 99999999 $oxId -5 $sof abc] {
    check {![vm_edit_field $address [lindex $row 3] $text]} "[lindex $row 1] refuses $text"
}
foreach row [vm_inspect_message $address] {
    if {[lindex $row 3] eq [lindex $oxId 3]} { check {[lindex $row 2] eq [lindex $oxId 2]} "oxId is kept" }
    if {[lindex $row 3] eq [lindex $sof 3]} { check {[lindex $row 2] eq [lindex $sof 2]} "sof is kept" }
}
set head [dict create]
foreach row [vm_inspect_message $address] { dict set head [lindex $row 1] [lindex $row 2] }
check {[string match "Velmora.*" [dict get $head sender]]} "the inspector names the sender"
check {[string match "Velmora.*" [dict get $head "arrival module"]]} "the inspector names the arrival module"
check {[string match "* s" [dict get $head "arrival time"]]} "the arrival time has its unit"

# No window manager places the windows: lay them out for the screenshot.
wm geometry . 560x250+0+0
wm geometry .c$site 720x640+560+0
wm geometry .c$hostId 560x380+0+640
wm geometry $w 560x360+0+270
vm_show_events
wm geometry .events 720x380+560+640
update
# The host's picture scrolled to where the frame is drawn in it.
set bb [.c$hostId.cv bbox flight]
if {$bb ne ""} {
    lassign [.c$hostId.cv cget -scrollregion] rx0 ry0 rx1 ry1
    .c$hostId.cv xview moveto [expr {([lindex $bb 0] - 250 - $rx0) / double($rx1 - $rx0)}]
}
update
after 300
update
exec import -window root $env(VELMORA_SHOT)
# No mark's dot covers a module's icon or name; no mark's text covers them,
# a gate or another mark's text.
foreach pic [list .c$site .c$hostId] {
    foreach item [$pic.cv find withtag flight] {
        if {[$pic.cv type $item] eq "text"} {
            check {![vm_area_taken $pic.cv $item {mod gate marktext markdot}]} \
                "the mark's text \"[$pic.cv itemcget $item -text]\" in $pic covers nothing"
        } else {
            check {![vm_area_taken $pic.cv $item mod]} "the mark at [$pic.cv coords $item] in $pic covers no module"
        }
    }
}
# The event list's module column holds its widest text, and the window
# too narrow for it scrolls sideways.
set widest 0
foreach r [vm_events] { set widest [expr {max($widest, [font measure TkDefaultFont [lindex $r 2]])}] }
check {[.events.t column value -width] >= $widest} "the event list's column is as wide as its widest text"
check {[lindex [.events.t xview] 1] < 1} "the event list scrolls sideways"

# Stepping on delivers the messages: each moves along its path in every open
# picture it crosses, here the site and the host.
for {set i 0} {$i < 400 && !([info exists vm(animated,$site)] && [info exists vm(animated,$hostId)])} {incr i} {
    vm_do step
}
check {[info exists vm(animated,$site)] && [info exists vm(animated,$hostId)]} "messages are animated in the site's and the host's pictures"
vm_do fast "" [expr {[lindex [vm_status] 1] + 2000}]
check {[lindex [vm_status] 4] eq "ready"} "the run goes on after the refused edit"
# Run to its end, the status line says why it ended and what the run did.
vm_do express
check {[regexp {ended: No more events; ([0-9]+) I/Os requested, ([0-9]+) completed, 0 aborted; [0-9]+ warnings among the [0-9]+ rows of progData/Warnings.txt} \
    [.status cget -text] -> requested completed] && $requested == $completed && $requested > 1000} \
    "the status line closes the run with its reason and totals"
# At the window's width as it opened, the whole closing line shows.
wm geometry . $opened+0+0
foreach w [winfo children .] { if {[winfo class $w] eq "Toplevel"} { wm withdraw $w } }
update
check {[string first [lindex [vm_status] 5] [.status cget -text]] >= 0} "the status line holds the closing line"
check {[winfo reqwidth .status] <= [winfo width .status] && [winfo reqheight .status] <= [winfo height .status]} \
    "the whole status line shows at $opened: it needs [winfo reqwidth .status]x[winfo reqheight .status], it has [winfo width .status]x[winfo height .status]"
after 300
update
exec import -window root [file rootname $env(VELMORA_SHOT)]-end.png
vm_restart_run
vm_do fast "" 1000
check {[lindex [vm_status] 2] >= 0 && [lindex [vm_status] 2] < 1e9} "events per second after a restart is a real figure"
puts "smoke: done at event [lindex [vm_status] 1]"
