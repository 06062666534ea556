# Shell helpers the session scripts and the script tests source.

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds; false when it never did.
wait_for() {
    local tries=$(($1 * 20)); shift
    for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
    return 1
}

# stop_pids PID...: ends them, the last started first, and kills what is still there a moment later.
stop_pids() {
    local pids=("$@") i pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        wait_for 3 eval "! kill -0 $pid" || kill -9 "$pid" 2>/dev/null
    done
}

# check DESCRIPTION COMMAND...: says whether COMMAND succeeded, counting the failures in $failures.
failures=0
check() {
    if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
