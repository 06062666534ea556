#!/usr/bin/env bash
# Builds and tests Quillet on the Debian releases users run today, each in a chroot of its own: the
# unit, ui and script tiers, then the Wayland tier (GNOME Shell and KWin sessions), and the release's
# own package (lintian, installed, started), and the icon's and the paste's latency under GNOME Shell
# and KWin. Prints a table of what passed where and the figures; the exit status is non-zero if any
# row failed.
#   tools/desktops.sh [--chroots-only] [RELEASE...]        (default: trixie testing)
# Each release's chroot is made once with mmdebstrap and kept as RELEASE.tar.zst in the cache folder,
# beside the hash of the package lists it holds; it is made again when those lists change. The
# compiler cache of each release lives there too. Needs root.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillet
work=${QUILLET_DESKTOPS_WORK:-/var/tmp/quillet-desktops}
chroots_only=no

# What makes a release's chroot: the installer and the lists it reads.
deps_files=("$here/tools/install-deps.sh" "$here"/tools/debian-packages*.txt "$here"/tools/wayland-packages*.txt
    "$here/tools/lintian-packages.txt")

mounted=()
root=
unmount_all() {
    local i p
    # What the tests left running in the chroot (a bus, a compositor) would keep its mounts busy.
    for p in /proc/[0-9]*; do
        [ -z "$root" ] || [ "$(readlink "$p/root" 2>/dev/null)" != "$root" ] || kill -KILL "${p#/proc/}" 2>/dev/null || true
    done
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" || umount -l "${mounted[i]}" || true
    done
    mounted=()
}
remove_root() {
    [ -n "$root" ] && [ -d "$root" ] || return 0
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
        echo "Something is still mounted under $root: left in place." >&2
        return 0
    fi
    rm -rf --one-file-system "$root"
}
cleanup() {
    unmount_all
    remove_root
}

mount_in() { # mount_in TARGET_IN_ROOT mount-arguments...
    local target=$root$1
    shift
    mkdir -p "$target"
    mount "$@" "$target"
    mounted+=("$target")
}

mirror() {
    sed -nE 's/^URIs:[[:space:]]*([^[:space:]]+).*/\1/p' /etc/apt/sources.list.d/debian.sources | head -n1
}

make_cache() { # make_cache RELEASE TARBALL
    local release=$1 tarball=$2 deps=/tmp/quillet-deps
    mkdir -p "$cache"
    nice -n 15 mmdebstrap --variant=minbase --aptopt='Acquire::Check-Valid-Until "false"' \
        --customize-hook="mkdir -p \"\$1$deps/tools\"" \
        --customize-hook="copy-in ${deps_files[*]} $deps/tools" \
        --customize-hook="chroot \"\$1\" bash $deps/tools/install-deps.sh \
            $deps/tools/debian-packages.txt $deps/tools/wayland-packages.txt \
            $deps/tools/lintian-packages.txt" \
        --customize-hook='chroot "$1" apt-get clean' \
        --customize-hook="rm -rf \"\$1$deps\"" \
        "$release" "${tarball%.tar.zst}.part.tar.zst" "$(mirror)"
    mv "${tarball%.tar.zst}.part.tar.zst" "$tarball"
}

# In the chroot, as a fresh login of root would have it: the build with warnings as errors.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 CI=1 \
        CCACHE_DIR=/ccache "$@"
}

# rows_of RELEASE LOG [cases]: a row "RELEASE<tab>DESKTOP<tab>TEST<tab>✓ or ✗" per test of a
# `ctest -V` log; with "cases", each test's gtest cases (the application and step they name) below it.
rows_of() {
    awk -v release="$1" -v cases="${3:-}" '
        /^[0-9]+: \[       OK \] / || /^[0-9]+: \[  FAILED  \] .*\(/ {
            n = $1; sub(":", "", n)
            c = $0; sub(/^[0-9]+: \[[^]]*\] /, "", c); sub(/ \(.*$/, "", c)
            below[n] = below[n] "\t  " c "\t" ($0 ~ /OK \]/ ? "✓" : "✗") "\n"
        }
        match($0, /^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: /) {
            n = $0; sub(/^ *[0-9]+\/[0-9]+ +Test +#/, "", n); sub(/:.*/, "", n)
            split(substr($0, RLENGTH + 1), f, " "); name = f[1]
            desktop = "–"
            if (name ~ /^wayland\.kwin\./) desktop = "KWin"
            if (name ~ /^wayland\.mutter\./) desktop = "mutter"
            if (name ~ /^wayland\.gnome-shell\./) desktop = "GNOME Shell"
            print release "\t" desktop "\t" name "\t" ($0 ~ / Passed +[0-9.]+ sec/ ? "✓" : "✗")
            if (cases != "" && below[n] != "") {
                gsub(/\n$/, "", below[n]); gsub(/\n/, "\n" release "\t" desktop, below[n])
                print release "\t" desktop below[n]
            }
        }
    ' "$2"
}

# took TEXT: a phase's time, said now and kept for the end.
took() {
    echo "== $1"
    times+=("$1")
}

run_release() { # run_release RELEASE; appends to $results
    local release=$1 started=$SECONDS phase tarball hash logs lock
    tarball=$cache/$release.tar.zst
    logs=$work/logs/$release
    mkdir -p "$logs" "$cache/ccache-$release"
    # Another run on the same release would write the same chroot and compiler cache: one at a time.
    exec {lock}>"$cache/$release.lock"
    if ! flock -n "$lock"; then
        echo "== $release: another run has it; waiting"
        flock "$lock"
    fi
    hash=$(cat "${deps_files[@]}" | sha256sum | cut -d' ' -f1)
    phase=$SECONDS
    if [ ! -f "$tarball" ] || [ "$(cat "$tarball.lists-hash" 2>/dev/null)" != "$hash" ]; then
        echo "== $release: making the chroot (log: $logs/cache.log)"
        rm -f "$tarball.lists-hash"
        make_cache "$release" "$tarball" >"$logs/cache.log" 2>&1 || {
            tail -n 20 "$logs/cache.log" >&2
            printf '%s\t–\tchroot made\t✗\n' "$release" >>"$results"
            return 0
        }
        echo "$hash" >"$tarball.lists-hash"
        took "$release: chroot made in $((SECONDS - phase)) s"
        phase=$SECONDS
    fi
    printf '%s\t–\tchroot made\t✓\n' "$release" >>"$results"
    [ "$chroots_only" = no ] || return 0

    echo "== $release: unpacking"
    root=$work/$release/root
    remove_root
    mkdir -p "$root"
    nice -n 15 tar --zstd -xpf "$tarball" -C "$root"
    mkdir -p "$root/src"
    git -C "$here" archive HEAD | tar -x -C "$root/src"
    # D-Bus wants the machine's own id; the chroot is made without one.
    od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$root/etc/machine-id"
    mount_in /proc -t proc proc
    mount_in /sys -t sysfs sysfs
    mount_in /dev --bind /dev
    mount_in /dev/pts --bind /dev/pts
    mount_in /dev/shm -t tmpfs -o mode=1777 tmpfs
    mount_in /run -t tmpfs -o mode=755 tmpfs
    mount_in /tmp -t tmpfs -o mode=1777 tmpfs
    mount_in /ccache --bind "$cache/ccache-$release"
    took "$release: unpacked in $((SECONDS - phase)) s"
    phase=$SECONDS

    echo "== $release: building (log: $logs/build.log)"
    if ! in_root bash -c 'cd /src && cmake --preset default && nice -n 15 cmake --build build -j2' \
        >"$logs/build.log" 2>&1; then
        tail -n 30 "$logs/build.log" >&2
        printf '%s\t–\tbuild\t✗\n' "$release" >>"$results"
    else
        printf '%s\t–\tbuild\t✓\n' "$release" >>"$results"
        took "$release: built in $((SECONDS - phase)) s"
        phase=$SECONDS
        local tier
        for tier in unit ui script wayland; do
            echo "== $release: the $tier tier (log: $logs/$tier.log)"
            in_root bash -c "cd /src/build && ctest -L '^$tier\$' -V" >"$logs/$tier.log" 2>&1 || true
            if [ "$tier" = wayland ]; then
                rows_of "$release" "$logs/$tier.log" cases >>"$results"
            else
                summarize_tier "$release" "$tier" "$logs/$tier.log" >>"$results"
            fi
            took "$release: $tier tier in $((SECONDS - phase)) s"
            phase=$SECONDS
        done
        # The package as this release's tools make it: Debian's check, installed with the release's
        # own dependencies, and the installed program's self-check on a desktop.
        echo "== $release: the package (log: $logs/package.log)"
        if in_root bash -c 'set -e; cd /src; make --no-print-directory lintian
                apt-get install -y --no-install-recommends ./build/quillet_*.deb
                tests/session/run-in-session.sh -- /usr/bin/quillet --doctor' >"$logs/package.log" 2>&1; then
            printf '%s\t–\tpackage: lintian, installed, started\t✓\n' "$release" >>"$results"
        else
            tail -n 20 "$logs/package.log" >&2
            printf '%s\t–\tpackage: lintian, installed, started\t✗\n' "$release" >>"$results"
        fi
        took "$release: package in $((SECONDS - phase)) s"
        # How quickly the icon comes and the paste lands under each compositor, as measured in it.
        local desktop figures
        for desktop in gnome kwin; do
            phase=$SECONDS
            echo "== $release: $desktop latency (log: $logs/$desktop-latency.log)"
            if in_root bash -c "cd /src && tools/$desktop-latency.sh build" >"$logs/$desktop-latency.log" 2>&1; then
                printf '%s\t–\tlatency under %s\t✓\n' "$release" "$desktop" >>"$results"
            else
                printf '%s\t–\tlatency under %s\t✗\n' "$release" "$desktop" >>"$results"
            fi
            figures=$(grep -E '^(icon-after-click|paste-read-back)-ms:' "$logs/$desktop-latency.log" | paste -sd';' -)
            took "$release: $desktop latency in $((SECONDS - phase)) s: ${figures:-no figures}"
        done
    fi
    cleanup
    exec {lock}>&-
    took "$release: $((SECONDS - started)) s in all"
}

# A unit or ui tier is one row, with a row more for each test that failed.
summarize_tier() { # summarize_tier RELEASE TIER LOG
    local all failed
    all=$(rows_of "$1" "$3")
    failed=$(grep -c '✗$' <<<"$all" || true)
    printf '%s\t–\t%s tier (%s tests)\t%s\n' "$1" "$2" "$(grep -c . <<<"$all" || true)" \
        "$([ -n "$all" ] && [ "$failed" -eq 0 ] && echo ✓ || echo ✗)"
    grep '✗$' <<<"$all" || true
}

# The rows as a Markdown table, grouped by release in the order they came.
table() {
    echo "| Release | Desktop | Test | Result |"
    echo "|---|---|---|---|"
    sort -s -t$'\t' -k1,1 | while IFS=$'\t' read -r release desktop test ok; do
        echo "| $release | $desktop | $test | $ok |"
    done
}

# All in one function: bash reads it whole, so the script may change while it runs. Sourced (by its
# test), the script only defines its functions.
main() {
    [ "${1:-}" != --chroots-only ] || { chroots_only=yes; shift; }
    [ $# -gt 0 ] || set -- trixie testing
    [ "$(id -u)" -eq 0 ] || { echo "tools/desktops.sh needs root (chroot, mount)." >&2; exit 1; }
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    bash "$here/tools/install-deps.sh" <(printf '%s\n' mmdebstrap zstd git)
    results=$(mktemp)
    times=()
    for release in "$@"; do
        run_release "$release"
    done
    echo
    table <"$results"
    echo
    printf '%s\n' "${times[@]}"
    failed=$(grep -c '✗$' "$results" || true)
    rm -f "$results"
    [ "$failed" -eq 0 ]
}
[ "${BASH_SOURCE[0]}" != "$0" ] || main "$@"
