#!/usr/bin/env bash
# The compatibility suite over every application of tools/compat/apps.txt, each in its own private
# desktop session, started after Quillet; prints the table the README carries. "–" marks a step that
# does not apply to the application; the third column names any flag that forced its accessibility on.
#   tools/compat.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
results=$(mktemp)
trap 'rm -f "$results"' EXIT
mapfile -t apps < <(grep -vE '^\s*(#|$)' "$here/tools/compat/apps.txt" | cut -f1)
for app in "${apps[@]}"; do
    QUILLET_COMPAT_RESULTS=$results QUILLET_COMPAT_TIMED=1 "$here/tests/session/run-in-session.sh" -- \
        "$build/tests/compat_driver" "$app" >/dev/null || true
    grep -q "^$app	" "$results" || printf '%s\t?\t?\tthe run did not finish\n' "$app" >>"$results"
done
echo "| Application | Toolkit | Forced flag | Icon at the field (time from the click; 1 s at most) | --doctor finds the field | Icon, Return | Undo | Shortcut with a selection | Undo | Shortcut without a selection | Undo | Bold and link kept | A second process |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|"
while IFS= read -r line; do
    echo "| ${line//	/ | } |"
done <"$results"
