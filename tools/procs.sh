# Sourced: so that a run stopped part-way leaves none of its processes behind.

# proc_descendants PID: the processes below PID, parents first.
proc_descendants() {
    ps -e -o pid= -o ppid= | awk -v root="$1" '
        { kids[$2] = kids[$2] " " $1 }
        END {
            q[1] = root; n = 1
            for (i = 1; i <= n; i++) {
                m = split(kids[q[i]], k, " ")
                for (j = 1; j <= m; j++) { q[++n] = k[j]; print k[j] }
            }
        }'
}

# proc_end_descendants PID: ends every process below PID. They are all stopped first,
# so that none starts another meanwhile; then TERM lets their own traps clean up (a
# cleanup should ignore further signals: this may run more than once), and what is
# still there after 30 s gets KILL.
proc_end_descendants() {
    local -a all=() pids alive
    local -A seen=()
    local i p added
    for ((i = 0; i < 10; i++)); do
        mapfile -t pids < <(proc_descendants "$1")
        added=0
        for p in "${pids[@]}"; do
            [ -n "${seen[$p]:-}" ] && continue
            seen[$p]=1
            kill -STOP "$p" 2>/dev/null && { all+=("$p"); added=1; }
        done
        [ $added = 0 ] && break
    done
    [ ${#all[@]} -gt 0 ] || return 0
    kill -TERM "${all[@]}" 2>/dev/null || true
    kill -CONT "${all[@]}" 2>/dev/null || true
    for ((i = 0; i < 150; i++)); do
        alive=()
        for p in "${all[@]}"; do
            # A child of ours that ended stays a zombie until waited for: gone too.
            [ -r "/proc/$p/stat" ] && [ "$(awk '{ print $3 }' "/proc/$p/stat" 2>/dev/null)" != Z ] && alive+=("$p")
        done
        [ ${#alive[@]} -gt 0 ] || return 0
        sleep 0.2
    done
    kill -KILL "${alive[@]}" 2>/dev/null || true
    return 0
}

# proc_guard SCRIPT ARG...: the first thing a long script does. Runs the script again
# as a child and waits for it, so that a signal is taken at once (a shell takes one
# only when its foreground command ends): INT, TERM or HUP end the child's whole tree
# (the child's own traps run), and then this. Returns only inside the child.
proc_guard() {
    [ -n "${MARVANE_GUARDED:-}" ] && { unset MARVANE_GUARDED; return 0; }
    local script=$1 child rc
    shift
    MARVANE_GUARDED=1 bash "$script" "$@" <&0 &
    child=$!
    trap 'trap "" INT TERM HUP; proc_end_descendants $$; exit 130' INT
    trap 'trap "" INT TERM HUP; proc_end_descendants $$; exit 143' TERM
    trap 'trap "" INT TERM HUP; proc_end_descendants $$; exit 129' HUP
    wait "$child"
    rc=$?
    exit $rc
}
