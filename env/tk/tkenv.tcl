# The main window and its helpers. The vm_* commands come from the program.

wm title . "Velmora"
# The icons as photo images, named "icon:" and the "i" tag's name (an image
# is also a command, and names such as "array" are taken).
foreach entry [vm_icons] {
    image create photo icon:[lindex $entry 0] -format png -data [lindex $entry 1]
}
set vm(logShown) 0
set vm(logFilter) ""
set vm(untilTime) ""
set vm(untilEvent) ""
set vm(untilMode) fast
# The log widget keeps at most this many lines, the oldest dropped.
set vm(logMax) 5000

# ---- Tool bar and status line ----
frame .tb
foreach {name label cmd} {
    step Step {vm_do step}  run Run {vm_do normal}  fast Fast {vm_do fast}
    express Express {vm_do express}  until "Run until" {vm_until}  stop Stop {vm_stop}
    restart Restart {vm_restart_run}  events "Event list" {vm_show_events}
} {
    button .tb.$name -text $label -command $cmd
    pack .tb.$name -side left -padx 2 -pady 2
}
label .tb.tl -text "until t="
entry .tb.ut -width 10 -textvariable vm(untilTime)
label .tb.el -text "event #"
entry .tb.ue -width 8 -textvariable vm(untilEvent)
label .tb.ml -text "in mode"
tk_optionMenu .tb.mode vm(untilMode) normal fast express
pack .tb.tl .tb.ut .tb.el .tb.ue .tb.ml .tb.mode -side left
label .status -anchor w -justify left -relief sunken -font TkFixedFont
# The status line wraps at the window's width, so that the whole closing
# line of a run shows.
bind .status <Configure> {
    %W configure -wraplength [expr {%w - 2 * ([%W cget -borderwidth] + [%W cget -padx] + [%W cget -highlightthickness])}]
}
pack .tb -side top -fill x
pack .status -side top -fill x

# ---- Module tree and log ----
panedwindow .pw -orient horizontal
frame .pw.left
ttk::treeview .pw.left.tree -columns type -yscrollcommand {.pw.left.sb set}
.pw.left.tree heading #0 -text Module
.pw.left.tree heading type -text Type
scrollbar .pw.left.sb -command {.pw.left.tree yview}
pack .pw.left.sb -side right -fill y
pack .pw.left.tree -side left -fill both -expand 1
frame .pw.right
frame .pw.right.f
label .pw.right.f.l -text "Log of module (empty: all):"
entry .pw.right.f.e -textvariable vm(logFilter)
button .pw.right.f.b -text Filter -command vm_refill_log
pack .pw.right.f.l -side left
pack .pw.right.f.e -side left -fill x -expand 1
pack .pw.right.f.b -side left
text .pw.right.log -width 70 -height 25 -wrap word -yscrollcommand {.pw.right.sb set} -font TkFixedFont
scrollbar .pw.right.sb -command {.pw.right.log yview}
pack .pw.right.f -side top -fill x
pack .pw.right.sb -side right -fill y
pack .pw.right.log -side left -fill both -expand 1
.pw add .pw.left .pw.right
pack .pw -fill both -expand 1
bind .pw.left.tree <Double-1> {vm_open [.pw.left.tree focus]}
# Wide enough for the whole tool bar, the mode menu at its end included.
update idletasks
wm geometry . [expr {max(1000, [winfo reqwidth .tb])}]x600

proc vm_fill_tree {} {
    .pw.left.tree delete [.pw.left.tree children {}]
    set root [vm_tree]
    if {$root ne ""} { vm_add_tree_node {} $root }
}
proc vm_add_tree_node {parent node} {
    lassign $node id name type compound children
    .pw.left.tree insert $parent end -id $id -text $name -values [list $type] -open [expr {$parent eq ""}]
    foreach c $children { vm_add_tree_node $id $c }
}

# ---- Run controls ----
proc vm_do {mode {untilTime ""} {untilEvent ""}} {
    if {[catch {vm_run $mode $untilTime $untilEvent} result]} {
        vm_refresh 1
        vm_error_dialog $result
        return $result
    }
    vm_refresh 1
    return $result
}
# Runs until the time or event entered, in the mode chosen beside them.
proc vm_until {} {
    global vm
    vm_do $vm(untilMode) $vm(untilTime) $vm(untilEvent)
}
proc vm_restart_run {} {
    set failed [catch vm_restart err]
    .pw.right.log delete 1.0 end
    set ::vm(logShown) 0
    foreach w [winfo children .] {
        if {[winfo class $w] eq "Toplevel"} { destroy $w }
    }
    vm_fill_tree
    vm_refresh 1
    if {$failed} { vm_show_setup_error $err }
}

# The run stopped with an error: the window stays, with the message in a
# dialog of its own that does not hold up the rest of the window.
proc vm_error_dialog {message} {
    set w .error
    destroy $w
    toplevel $w
    wm title $w "Error"
    label $w.icon -bitmap error -padx 8
    message $w.m -text $message -width 420 -font TkDefaultFont
    button $w.ok -text OK -width 8 -command [list destroy $w]
    grid $w.icon $w.m -padx 6 -pady 8 -sticky nw
    grid $w.ok - -pady 6
    bind $w <Return> [list destroy $w]
    return $w
}
# A set-up that stopped: the picture of what was built, and the error.
proc vm_show_setup_error {message} {
    set root [lindex [vm_tree] 0]
    if {$root ne ""} { vm_open_compound $root }
    vm_error_dialog $message
}

# Called by the program between events: `full` redraws, otherwise only the
# status line and input are brought up to date.
proc vm_refresh {full} {
    if {$::vm(closed)} return
    lassign [vm_status] t n rate running state ending
    if {$state eq "ended"} { set state "ended: $ending" }
    .status configure -text [format "t=%.9g s   event #%s   %.0f events/s   %s" $t $n $rate \
        [expr {$running ? "running" : $state}]]
    if {$full} {
        vm_append_log
        foreach w [winfo children .] {
            if {[regexp {^\.c([0-9]+)$} $w -> id]} { vm_draw_compound $w $id }
            if {[regexp {^\.m([0-9]+)$} $w -> id]} { vm_fill_module_inspector $w $id }
            if {[regexp {^\.x([0-9]+)$} $w -> address]} { vm_fill_message_inspector $w $address }
            if {[regexp {^\.q([0-9]+)$} $w -> address]} { vm_fill_queue_inspector $w $address }
            if {$w eq ".events"} { vm_fill_events }
        }
        vm_animate
    }
    update
}

# ---- Log ----
# Each line is headed by its event number and simulated time.
proc vm_log_line {event module text time} {
    .pw.right.log insert end [format "#%s  t=%.9g  %s%s\n" $event $time \
        [expr {$module eq "" ? "" : "$module: "}] $text]
}
proc vm_append_log {} {
    global vm
    foreach l [vm_log $vm(logFilter) $vm(logShown) $vm(logMax)] { vm_log_line {*}$l }
    set vm(logShown) [vm_log_total]
    set excess [expr {int([.pw.right.log index end]) - 2 - $vm(logMax)}]
    if {$excess > 0} { .pw.right.log delete 1.0 [expr {$excess + 1}].0 }
    .pw.right.log see end
}
proc vm_refill_log {} {
    .pw.right.log delete 1.0 end
    set ::vm(logShown) 0
    vm_append_log
}

# ---- Opening modules: compounds as pictures, simple modules as inspectors ----
proc vm_open {id} {
    if {$id eq ""} return
    set compound 0
    foreach r [vm_inspect_module $id] {
        if {[lindex $r 0] eq "submodules"} { set compound 1 }
    }
    if {$compound} { vm_open_compound $id } else { vm_inspect $id }
}

proc vm_open_compound {id} {
    set w .c$id
    if {[winfo exists $w]} { raise $w; return $w }
    toplevel $w
    wm title $w "[vm_module_path $id] (compound)"
    button $w.insp -text "Inspect" -command [list vm_inspect $id]
    pack $w.insp -side top -anchor w
    canvas $w.cv -width 600 -height 450 -xscrollcommand [list $w.hs set] -yscrollcommand [list $w.vs set]
    scrollbar $w.hs -orient horizontal -command [list $w.cv xview]
    scrollbar $w.vs -command [list $w.cv yview]
    pack $w.hs -side bottom -fill x
    pack $w.vs -side right -fill y
    pack $w.cv -fill both -expand 1
    vm_draw_compound $w $id
    # Opened as large as the picture, within the screen.
    lassign [$w.cv cget -scrollregion] x0 y0 x1 y1
    $w.cv configure -width [expr {min($x1 - $x0, [winfo screenwidth $w] - 80)}] \
        -height [expr {min($y1 - $y0, [winfo screenheight $w] - 120)}]
    return $w
}

# The compound's border with its gates, the submodules, the cables (each
# tagged with its key, as messages' paths name them) and a legend of the
# cable colours below the border.
proc vm_draw_compound {w id} {
    set cv $w.cv
    $cv delete all
    lassign [vm_picture $id] width height bg boxes lines gates legend
    set legendTop [expr {$height + 50}]
    $cv configure -background $bg
    $cv create rectangle 0 0 $width $height -outline #606060 -width 2 -tags border
    foreach g $gates {
        lassign $g name x y side
        $cv create rectangle [expr {$x - 4}] [expr {$y - 4}] [expr {$x + 4}] [expr {$y + 4}] \
            -fill #606060 -outline #303030 -tags [list gate]
        switch $side {
            l { $cv create text [expr {$x - 8}] $y -text $name -anchor e -font {Helvetica 8} -tags gate }
            r { $cv create text [expr {$x + 8}] $y -text $name -anchor w -font {Helvetica 8} -tags gate }
            t { $cv create text $x [expr {$y - 8}] -text $name -anchor w -angle 90 -font {Helvetica 8} -tags gate }
            b { $cv create text $x [expr {$y + 8}] -text $name -anchor e -angle 90 -font {Helvetica 8} -tags gate }
        }
    }
    foreach l $lines {
        lassign $l from to gate colour coords key
        $cv create line {*}$coords -fill $colour -arrow last -tags [list conn c$from-$to $key]
    }
    foreach b $boxes {
        lassign $b sid name type icon x y bw bh
        set x0 [expr {$x - $bw / 2.0}]; set y0 [expr {$y - $bh / 2.0}]
        set x1 [expr {$x + $bw / 2.0}]; set y1 [expr {$y + $bh / 2.0}]
        if {"icon:$icon" in [image names]} {
            $cv create image $x $y -image icon:$icon -tags [list mod m$sid]
            set y1 [expr {max($y1, $y + [image height icon:$icon] / 2.0)}]
        } else {
            # A module without an icon of its own is a labelled box.
            $cv create rectangle $x0 $y0 $x1 $y1 -fill #c8d8f0 -outline #404080 -width 2 -tags [list mod m$sid]
            if {$icon ne ""} {
                $cv create text $x $y -text $icon -font {Helvetica 7} -fill #404080 -tags [list mod m$sid]
            }
        }
        $cv create text $x [expr {$y1 + 8}] -text $name -tags [list mod m$sid]
        $cv bind m$sid <Double-1> [list vm_open $sid]
    }
    set y $legendTop
    foreach e $legend {
        lassign $e colour text
        $cv create line 0 [expr {$y + 6}] 30 [expr {$y + 6}] -fill $colour -width 2 -tags legend
        set item [$cv create text 38 $y -text $text -anchor nw -width [expr {max(300, $width - 38)}] \
            -font {Helvetica 8} -tags legend]
        lassign [$cv bbox $item] -> -> -> bottom
        set y [expr {max($y + 16, $bottom + 6)}]
    }
    $cv configure -scrollregion [list -90 -70 [expr {$width + 90}] [expr {$y + 10}]]
    vm_draw_in_flight $w $id
}

# The points of the part of a message's path that the picture $w of
# compound $cid draws, as one line; empty when none of it is there.
proc vm_path_points {w cid path} {
    set points {}
    foreach hop $path {
        lassign $hop hopCid key
        if {$hopCid != $cid} continue
        set c [$w.cv coords $key]
        if {[llength $c] >= 4} { lappend points {*}$c }
    }
    return $points
}
# The point a fraction $f of the way along the line through $points.
proc vm_point_along {points f} {
    set n [expr {[llength $points] / 2 - 1}]
    set lengths {}
    set total 0.0
    for {set k 0} {$k < $n} {incr k} {
        lassign [lrange $points [expr {2 * $k}] [expr {2 * $k + 3}]] x0 y0 x1 y1
        set d [expr {hypot($x1 - $x0, $y1 - $y0)}]
        lappend lengths $d
        set total [expr {$total + $d}]
    }
    set want [expr {max(0.0, min(1.0, $f)) * $total}]
    for {set k 0} {$k < $n} {incr k} {
        set d [lindex $lengths $k]
        if {$want <= $d || $k == $n - 1} {
            lassign [lrange $points [expr {2 * $k}] [expr {2 * $k + 3}]] x0 y0 x1 y1
            set t [expr {$d > 0 ? min(1.0, $want / $d) : 0.0}]
            return [list [expr {$x0 + ($x1 - $x0) * $t}] [expr {$y0 + ($y1 - $y0) * $t}]]
        }
        set want [expr {$want - $d}]
    }
    return [lrange $points 0 1]
}
proc vm_message_mark {cv x y name tag {labelled 1}} {
    $cv create oval [expr {$x - 5}] [expr {$y - 5}] [expr {$x + 5}] [expr {$y + 5}] -fill red -outline #600000 \
        -tags [list $tag markdot]
    if {$labelled} { vm_mark_text $cv $x $y $name $tag }
}
# Whether the area of the canvas that `item` covers holds another item
# tagged with one of `kinds`: mod (a module's icon or name), gate, marktext.
proc vm_area_taken {cv item kinds} {
    foreach other [$cv find overlapping {*}[$cv bbox $item]] {
        if {$other == $item} continue
        foreach tag [$cv gettags $other] {
            if {$tag in $kinds} { return 1 }
        }
    }
    return 0
}
# A mark's text goes beside its dot where it covers no module, no name, no
# gate and no other mark: above, below, right or left of the dot or on one
# of its corners, and further out where those are taken; above when every
# place is. A place off the cables is taken first.
proc vm_mark_text {cv x y text tag} {
    set item [$cv create text $x $y -text $text -fill #b00000 -font {Helvetica 8 bold} -tags [list $tag marktext]]
    set places {}
    foreach r {0 12 24 36} {
        set d [expr {6 + $r}]
        lappend places 0 -$d s  0 $d n  [expr {$d + 2}] 0 w  -[expr {$d + 2}] 0 e \
            $d -$d sw  -$d -$d se  $d $d nw  -$d $d ne
    }
    # Off the cables too where there is room.
    foreach kinds {{mod gate marktext markdot conn} {mod gate marktext markdot}} {
        foreach {dx dy anchor} $places {
            $cv itemconfigure $item -anchor $anchor
            $cv coords $item [expr {$x + $dx}] [expr {$y + $dy}]
            if {![vm_area_taken $cv $item $kinds]} { return $item }
        }
    }
    $cv itemconfigure $item -anchor s
    $cv coords $item $x [expr {$y - 6}]
    return $item
}
# The point of a mark a fraction $part of the way along $points, moved
# along its cable by a few steps where the dot would cover a module's icon
# or name.
proc vm_mark_point {cv points part} {
    set length 0.0
    foreach {x0 y0} [lrange $points 0 end-2] {x1 y1} [lrange $points 2 end] {
        set length [expr {$length + hypot($x1 - $x0, $y1 - $y0)}]
    }
    set step [expr {$length > 0 ? 6.0 / $length : 1.0}]
    set probe [$cv create rectangle 0 0 10 10 -outline "" -tags probe]
    set at [vm_point_along $points $part]
    foreach k {0 1 -1 2 -2 3 -3 4 -4 5 -5 6 -6 7 -7 8 -8} {
        lassign [vm_point_along $points [expr {max(0.0, min(1.0, $part + $k * $step))}]] x y
        $cv coords $probe [expr {$x - 5}] [expr {$y - 5}] [expr {$x + 5}] [expr {$y + 5}]
        if {![vm_area_taken $cv $probe mod]} {
            set at [list $x $y]
            break
        }
    }
    $cv delete $probe
    return $at
}

# Every message on its way along a cable of this picture, drawn where it
# has got to. Messages that share a cable here are one mark with their
# count: a long cable to another site is drawn only as its short stretch to
# the border, where each would sit on the next. Where marks of different
# cables crowd together only the first is named, the others keep their
# count. A mark's dot and text keep off the modules' icons and names.
proc vm_draw_in_flight {w cid} {
    $w.cv delete flight
    set first [dict create]
    set count [dict create]
    foreach m [vm_in_flight] {
        lassign $m name part path
        set points [vm_path_points $w $cid $path]
        if {[llength $points] < 4} continue
        if {![dict exists $first $points]} { dict set first $points [list $name $part] }
        dict incr count $points
    }
    # The dots first, so that the texts then keep off all of them.
    set named {}
    set texts {}
    dict for {points m} $first {
        lassign $m name part
        lassign [vm_mark_point $w.cv $points $part] x y
        vm_message_mark $w.cv $x $y $name flight 0
        set n [dict get $count $points]
        set crowded 0
        foreach {nx ny} $named {
            if {abs($nx - $x) < 60 && abs($ny - $y) < 14} { set crowded 1; break }
        }
        if {!$crowded} {
            lappend named $x $y
            lappend texts $x $y [expr {$n > 1 ? "$n messages" : $name}]
        } elseif {$n > 1} {
            lappend texts $x $y $n
        }
    }
    foreach {x y text} $texts { vm_mark_text $w.cv $x $y $text flight }
}

# Shows the message of the last event moving along its path in every open
# compound picture that draws a part of it.
proc vm_animate {} {
    lassign [vm_last_event] from to name path
    if {[llength $path] == 0} return
    foreach w [winfo children .] {
        if {![regexp {^\.c([0-9]+)$} $w -> cid]} continue
        set points [vm_path_points $w $cid $path]
        if {[llength $points] < 4} continue
        for {set k 0} {$k <= 8} {incr k} {
            $w.cv delete msg
            lassign [vm_point_along $points [expr {$k / 8.0}]] x y
            vm_message_mark $w.cv $x $y $name msg
            update idletasks
            after 15
        }
        $w.cv delete msg
        incr ::vm(animated,$cid)
    }
}

# ---- Inspectors ----
proc vm_rows_window {w title {nameHeading Name} {valueHeading Value}} {
    if {[winfo exists $w]} { raise $w; return 0 }
    toplevel $w
    wm title $w $title
    ttk::treeview $w.t -columns {value} -yscrollcommand [list $w.sb set] -xscrollcommand [list $w.hs set]
    $w.t heading #0 -text $nameHeading
    $w.t heading value -text $valueHeading
    $w.t column #0 -width 260
    $w.t column value -width 380
    scrollbar $w.sb -command [list $w.t yview]
    scrollbar $w.hs -orient horizontal -command [list $w.t xview]
    pack $w.hs -side bottom -fill x
    pack $w.sb -side right -fill y
    pack $w.t -fill both -expand 1
    return 1
}
# Neither column is narrower than its heading and widest text: a window too
# narrow for them scrolls sideways.
proc vm_fill_rows {w rows} {
    $w.t delete [$w.t children {}]
    set font [ttk::style lookup Treeview -font]
    if {$font eq ""} { set font TkDefaultFont }
    set widest [font measure $font [$w.t heading value -text]]
    # A row's label is indented below its section.
    set widestLabel [expr {[font measure $font [$w.t heading #0 -text]] - 30}]
    set sections {}
    set k 0
    foreach r $rows {
        lassign $r section label value field
        if {[lsearch $sections $section] < 0} {
            lappend sections $section
            $w.t insert {} end -id s$section -text $section -open 1
        }
        $w.t insert s$section end -id r[incr k] -text $label -values [list $value] -tags [list $field]
        set widest [expr {max($widest, [font measure $font $value])}]
        set widestLabel [expr {max($widestLabel, [font measure $font $label])}]
    }
    foreach {column least} [list value [expr {$widest + 12}] #0 [expr {$widestLabel + 42}]] {
        $w.t column $column -minwidth $least -width [expr {max($least, [$w.t column $column -width])}]
    }
}
proc vm_inspect {id} {
    set w .m$id
    if {[vm_rows_window $w "[vm_module_path $id] (module)"]} {
        bind $w.t <Double-1> [list vm_module_row_open $w $id]
    }
    vm_fill_module_inspector $w $id
    return $w
}
proc vm_fill_module_inspector {w id} {
    if {[catch {vm_inspect_module $id} rows]} return
    vm_fill_rows $w $rows
}
proc vm_module_row_open {w id} {
    set item [$w.t focus]
    if {[$w.t parent $item] eq "squeues"} {
        vm_inspect_queue_at [lindex [$w.t item $item -tags] 0]
        return
    }
    if {[$w.t parent $item] ne "ssubmodules"} return
    set name [$w.t item $item -text]
    foreach node [lindex [vm_find_node [vm_tree] $id] 4] {
        if {[lindex $node 1] eq $name} { vm_open [lindex $node 0] }
    }
}
proc vm_find_node {node id} {
    if {[lindex $node 0] == $id} { return $node }
    foreach c [lindex $node 4] {
        set found [vm_find_node $c $id]
        if {$found ne ""} { return $found }
    }
    return ""
}

# A queue's window lists what waits in it; a message opens on double-click.
proc vm_inspect_queue_at {address} {
    if {$address eq ""} return
    set w .q$address
    if {[catch {vm_inspect_queue $address} rows]} {
        tk_messageBox -icon info -message $rows
        return ""
    }
    if {[vm_rows_window $w "Queue"]} {
        bind $w.t <Double-1> [list vm_queue_row_open $w]
    }
    vm_fill_rows $w $rows
    wm title $w "[lindex [lindex $rows 1] 2]: queue [lindex [lindex $rows 0] 2]"
    return $w
}
proc vm_fill_queue_inspector {w address} {
    if {[catch {vm_inspect_queue $address} rows]} {
        wm title $w "Queue (gone)"
        return
    }
    vm_fill_rows $w $rows
}
proc vm_queue_row_open {w} {
    vm_inspect_message_at [lindex [$w.t item [$w.t focus] -tags] 0]
}

proc vm_show_events {} {
    if {[vm_rows_window .events "Scheduled events" "Arrival time (s)" "(class)message --> arrival module"]} {
        bind .events.t <Double-1> {vm_inspect_message_at [lindex [.events.t item [.events.t focus] -tags] 0]}
    }
    vm_fill_events
    return .events
}
proc vm_fill_events {} {
    vm_fill_rows .events [vm_events]
}

proc vm_inspect_message_at {address} {
    if {$address eq ""} return
    set w .x$address
    if {[vm_rows_window $w "Message"]} {
        bind $w.t <Double-1> [list vm_edit_row $w $address]
    }
    if {[catch {vm_inspect_message $address} rows]} {
        tk_messageBox -icon info -message $rows
        destroy $w
        return ""
    }
    vm_fill_rows $w $rows
    return $w
}
# A delivered message may be gone: its window keeps the last contents.
proc vm_fill_message_inspector {w address} {
    if {[catch {vm_inspect_message $address} rows]} {
        wm title $w "Message (delivered)"
        return
    }
    vm_fill_rows $w $rows
}
proc vm_edit_row {w address} {
    set item [$w.t focus]
    set field [lindex [$w.t item $item -tags] 0]
    if {$field eq ""} {
        if {[string match "*read-only)" [$w.t item $item -text]]} {
            tk_messageBox -icon info -message "[$w.t item $item -text] holds an address and cannot be edited"
        }
        return
    }
    set e $w.edit
    destroy $e
    toplevel $e
    wm title $e "Edit [$w.t item $item -text]"
    set ::vm(edit) [lindex [$w.t item $item -values] 0]
    entry $e.v -textvariable vm(edit) -width 40
    button $e.ok -text OK -command [list vm_apply_edit $w $address $field]
    pack $e.v $e.ok -side left -padx 4 -pady 4
}
proc vm_apply_edit {w address field} {
    if {[catch {vm_edit_field $address $field $::vm(edit)} ok] || !$ok} {
        tk_messageBox -icon error -message "The field cannot be set to \"$::vm(edit)\""
    }
    destroy $w.edit
    vm_fill_message_inspector $w $address
}

# A scripted session (--script=FILE): the file is run once the window is up;
# an error in it is reported and ends the session with a non-zero status.
proc vm_run_script {file} {
    after idle [list vm_script_body $file]
}
proc vm_script_body {file} {
    update
    if {[catch {uplevel #0 [list source $file]} err]} {
        puts stderr "<!> Error in script $file: $err"
        vm_script_status 1
    }
    if {!$::vm(closed)} { destroy . }
}

# Closing the window stops a run at the next event boundary.
set vm(closed) 0
bind . <Destroy> {if {"%W" eq "."} { set vm(closed) 1; vm_stop }}

vm_fill_tree
vm_refresh 1
# Once the event loop runs: windows made before it are not shown.
if {[vm_setup_error] ne ""} { after idle {vm_show_setup_error [vm_setup_error]} }
