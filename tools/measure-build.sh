#!/usr/bin/env bash
# How long a contributor waits on a clean clone with the packages present: the build, then the whole
# `make test`, with the compiler cache off so every object is compiled.
#   tools/measure-build.sh [REVISION] [--build-only] [-- CTEST_ARGS...]
# REVISION defaults to HEAD of this checkout. Prints, for each step, the wall-clock time, the CPU
# time it took (user + system, all processes: steadier than the wall clock on a shared machine) and
# the load average before it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
rev=HEAD build_only=0
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    case $1 in
        --build-only) build_only=1 ;;
        *) rev=$1 ;;
    esac
    shift
done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet-measure.XXXXXX")
trap 'rm -rf "$work"' EXIT
git -C "$here" archive --format=tar "$rev" | tar -x -C "$work"
cd "$work"
export CCACHE_DISABLE=1
TIMEFORMAT='%R %U %S'
step() {  # NAME COMMAND...: runs the command, output to NAME.log, and prints its times
    local name=$1 load status=0 times
    shift
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    { time "$@" >"$name.log" 2>&1 || status=$?; } 2>"$name.time"
    read -r real user sys <"$name.time"
    printf '%s: %.0f s wall, %.0f s CPU (load before: %s)\n' "$name" "$real" "$(echo "$user + $sys" | bc)" "$load"
    total=$(echo "${total:-0} + $real" | bc)
    return $status
}
echo "revision $(git -C "$here" rev-parse --short "$rev"), $(nproc) cores"
step configure cmake --preset default
step build cmake --build build -j"$(nproc)"
echo "test programs: $(find build/tests -maxdepth 1 -type f -executable | wc -l)," \
    "objects compiled: $(find build -name '*.o' | wc -l)"
[ $build_only -eq 1 ] && exit 0
status=0
step tests bash -c 'cd build && exec ctest -j"$(nproc)" "$@"' ctest "$@" || status=$?
grep -E 'tests passed' tests.log || true
printf 'make test from a clean clone: %.0f s\n' "$total"
[ $status -eq 0 ] || grep -E '^\s+[0-9]+ - ' tests.log || true
