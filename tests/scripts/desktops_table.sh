#!/usr/bin/env bash
# The table `make desktops` prints, from ctest logs as a release's chroot writes them: a test that
# failed, timed out or never ran is a ✗, each Wayland test's cases sit under it, and a tier with a
# failure is a ✗ with that test named.
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/session/common.sh"
. "$here/tools/desktops.sh"
set +e +o pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cat >"$scratch/wayland.log" <<'EOF'
    Start 1: wayland.kwin.Correction
1: Test command: /src/build/tests/wayland_WaylandCorrectionTest
1: [ RUN      ] WaylandCorrectionTest.Gtk3FieldIsCorrected
1: [       OK ] WaylandCorrectionTest.Gtk3FieldIsCorrected (1234 ms)
1: [ RUN      ] WaylandCorrectionTest.Qt6FieldIsCorrected
1: [  FAILED  ] WaylandCorrectionTest.Qt6FieldIsCorrected (22 ms)
1: [  FAILED  ] 1 test, listed below:
1: [  FAILED  ] WaylandCorrectionTest.Qt6FieldIsCorrected
1/3 Test #1: wayland.kwin.Correction ..........***Failed   12.00 sec
2: [       OK ] GnomeShellTest.TheIconSitsAtTheField (5 ms)
2/3 Test #2: wayland.gnome-shell.Extension ....   Passed    3.01 sec
3/3 Test #3: wayland.mutter.KGlobalAccelShortcut ...***Timeout 120.01 sec
EOF
rows=$(rows_of trixie "$scratch/wayland.log" cases)
expected=$(printf '%s\n' \
    $'trixie\tKWin\twayland.kwin.Correction\t✗' \
    $'trixie\tKWin\t  WaylandCorrectionTest.Gtk3FieldIsCorrected\t✓' \
    $'trixie\tKWin\t  WaylandCorrectionTest.Qt6FieldIsCorrected\t✗' \
    $'trixie\tGNOME Shell\twayland.gnome-shell.Extension\t✓' \
    $'trixie\tGNOME Shell\t  GnomeShellTest.TheIconSitsAtTheField\t✓' \
    $'trixie\tmutter\twayland.mutter.KGlobalAccelShortcut\t✗')
check "each Wayland test, then its cases once each, failures and a timeout as ✗" test "$rows" = "$expected"

cat >"$scratch/unit.log" <<'EOF'
1/3 Test #1: unit.Scheduler.RunsInOrder ....   Passed    0.01 sec
2/3 Test #2: unit.Diff.MarksWords ..........***Failed    0.02 sec
3/3 Test #3: check.layers ..................***Not Run   0.00 sec
EOF
tier=$(summarize_tier testing unit "$scratch/unit.log")
check "a tier with failures is one ✗ row counting its tests" grep -qx $'testing\t–\tunit tier (3 tests)\t✗' <<<"$tier"
check "the tests that failed or never ran are named" test "$(grep -c '✗$' <<<"$tier")" -eq 3
: >"$scratch/empty.log"
check "a tier that ran nothing is a ✗" grep -qx $'testing\t–\tunit tier (0 tests)\t✗' \
    <<<"$(summarize_tier testing unit "$scratch/empty.log")"

printed=$(printf '%s\n' $'testing\t–\tbuild\t✓' $'trixie\t–\tbuild\t✗' $'testing\t–\tunit tier (3 tests)\t✓' | table)
check "the table keeps each release's rows together, in their order" test "$(sed -n '3,5p' <<<"$printed")" = \
    "$(printf '%s\n' '| testing | – | build | ✓ |' '| testing | – | unit tier (3 tests) | ✓ |' '| trixie | – | build | ✗ |')"

[ "$failures" -eq 0 ]
