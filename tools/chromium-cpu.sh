#!/usr/bin/env bash
# How much CPU Chromium spends on a busy page, alone and with Quillet following it: a page of 4,000
# paragraphs that a script rewrites for 25 seconds, opened in a fresh private desktop session per
# run. Quillet (when asked) starts first, as at login, and so asks the browser for its contents
# when it comes to the front; "forced" starts the browser with --force-renderer-accessibility
# instead, for comparison. Prints the CPU seconds (user + system) of all the browser's processes
# over the run, per run and their median.
#   tools/chromium-cpu.sh BUILD_DIR RUNS [alone|quillet|forced]...
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd) runs=$2
shift 2
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(alone quillet)

one_run() {
    local mode=$1 dir
    dir=$(mktemp -d)
    {
        echo '<!DOCTYPE html><meta charset=utf-8><title>Busy</title><body>'
        for i in $(seq 4000); do echo "<p id=p$i>Paragraph $i holds a few words of text.</p>"; done
        echo '<textarea>Their is a mistak in this sentence.</textarea><script>'
        echo 'let n = 0; const start = Date.now(); const ps = document.getElementsByTagName("p");'
        echo 'const tick = () => { if (Date.now() - start > 25000) return; n++;'
        echo '  for (let i = 0; i < 400; i++) ps[(n * 400 + i) % ps.length].textContent = "Rewritten " + n + " " + i;'
        echo '  setTimeout(tick, 50); }; tick();</script>'
    } >"$dir/page.html"
    "$here/tests/session/run-in-session.sh" -- bash -c '
        mode=$1 dir=$2 build=$3
        if [ "$mode" = quillet ]; then "$build/src/quillet" >/dev/null 2>&1 & sleep 4; fi
        flags=()
        [ "$mode" = forced ] && flags=(--force-renderer-accessibility)
        setsid chromium --no-sandbox --disable-gpu --user-data-dir="$dir/profile" --no-first-run \
            --disable-background-networking --disable-component-update --disable-sync "${flags[@]}" \
            "file://$dir/page.html" >/dev/null 2>&1 &
        browser=$!
        for _ in $(seq 100); do w=$(xdotool search --onlyvisible --name "Busy" 2>/dev/null | tail -1); [ -n "$w" ] && break; sleep 0.2; done
        [ -n "$w" ] && xdotool windowactivate "$w" 2>/dev/null
        sleep 30
        ticks=0
        for p in $(pgrep -s "$(ps -o sid= -p $browser | tr -d " ")"); do
            t=$(awk "{print \$14 + \$15}" "/proc/$p/stat" 2>/dev/null) && ticks=$((ticks + t))
        done
        echo "cpu $ticks"
        kill -9 -- -"$(ps -o sid= -p $browser | tr -d " ")" 2>/dev/null
    ' _ "$mode" "$dir" "$build" 2>/dev/null | sed -n 's/^cpu //p'
    rm -rf "$dir"
}

hz=$(getconf CLK_TCK)
for mode in "${modes[@]}"; do
    samples=()
    for _ in $(seq "$runs"); do
        t=$(one_run "$mode")
        [ -n "$t" ] && samples+=("$(awk -v t="$t" -v hz="$hz" 'BEGIN { printf "%.1f", t / hz }')")
    done
    sorted=($(printf '%s\n' "${samples[@]}" | sort -n))
    n=${#sorted[@]}
    [ "$n" -gt 0 ] || { echo "$mode: no run finished"; continue; }
    echo "$mode: median ${sorted[$((n / 2))]} s of CPU over ${n} runs (${sorted[*]})"
done
