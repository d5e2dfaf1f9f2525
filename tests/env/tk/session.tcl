# What every scripted session uses: a check that fails the session, and a
# module's id by its path.
proc check {cond what} {
    if {![uplevel 1 [list expr $cond]]} { error "check failed: $what" }
}
proc node_id {path} {
    set node [vm_tree]
    foreach name [lrange [split $path .] 1 end] {
        set next ""
        foreach c [lindex $node 4] {
            if {[lindex $c 1] eq $name} { set next $c }
        }
        check {$next ne ""} "module $path exists"
        set node $next
    }
    return [lindex $node 0]
}
