#!/usr/bin/env bash
# Checks that the layers' arrows run downward only: no platform source includes a core header, the
# core no widget's and the widgets nothing of the app layer, and no platform library links the core
# (or anything above it).
#
#   check-layers.sh SOURCE_DIR LINKS_FILE
#
# LINKS_FILE holds one line per platform library: its name, a colon, and what it links (the build
# writes it). Exit status 1, with the offending lines, when an arrow runs upward, when one Linux
# backend includes another's header, or when a source names a service in another desktop's words
# rather than Linux's.
set -u
src=$1/src links=$2
status=0
found=$(grep -rn '#include "\(core\|ui\|app\)/' "$src/platform" "$src/base" 2>/dev/null)
if [ -n "$found" ]; then
    echo "platform or base sources include a header of a layer above them:" >&2
    echo "$found" >&2
    status=1
fi
# The core drives the widgets through its own interfaces; the widgets never reach the app layer.
found=$(grep -rn '#include "\(ui\|app\)/' "$src/core" 2>/dev/null; grep -rn '#include "app/' "$src/ui" 2>/dev/null)
if [ -n "$found" ]; then
    echo "core or ui sources include a header of a layer above them:" >&2
    echo "$found" >&2
    status=1
fi
# Each Linux backend (platform/linux/<backend>/) reaches another only through the interfaces in
# platform/ and the seams in platform/linux/shared/.
found=""
for dir in "$src"/platform/linux/*/; do
    backend=$(basename "$dir")
    [ "$backend" = shared ] && continue
    found+=$(grep -rn "#include \"platform/linux/" "$dir" | grep -v "#include \"platform/linux/\($backend\|shared\)/")
done
if [ -n "$found" ]; then
    echo "a Linux backend includes another backend's header:" >&2
    echo "$found" >&2
    status=1
fi
found=$(grep -rnwE 'Pasteboard|pasteboard|changeCount|bundleID|bundleIdentifier|localizedName|frontmost[A-Za-z]*|[a-zA-Z_]*[sS]tatusItem|orderFront|orderOut|LoginItem|KeyablePanel|isProcessTrusted|requestTrust|isSecureEventInputEnabled|applicationDidFinishLaunching|menuNeedsUpdate' "$src" 2>/dev/null)
if [ -n "$found" ]; then
    echo "sources name a service in another desktop's words (clipboard, serial, appId, autostart...):" >&2
    echo "$found" >&2
    status=1
fi
# The accessibility layer speaks of properties and events by type, in AT-SPI's terms. (Role names
# such as "AXTextArea" stay: they are what the self-check prints.)
found=$(grep -rnE '"AX(FocusedUIElement|Role|Subrole|Value|SelectedText|SelectedTextRange|Position|Size|ManualAccessibility|NumberOfCharacters|CaretOffset|TextNearCaret|RichText|SelectionUnreported|FocusedUIElementChanged|ValueChanged|UIElementDestroyed|WindowMoved|ApplicationJoined)"|\b(AXElement|AXError|AXObserver|AXValue|AXAttr|AXNotification|systemWide)\b' "$src" 2>/dev/null)
if [ -n "$found" ]; then
    echo "sources name accessibility properties, events or elements in another desktop's words:" >&2
    echo "$found" >&2
    status=1
fi
# The program asks a field for its text, selection, caret or frame by a call of its own; only the
# backends and the doubles key their answers by `Property`.
found=$(grep -rnw 'Property\|PropertyValue' "$src/core" "$src/ui" "$src/app" 2>/dev/null)
if [ -n "$found" ]; then
    echo "the core, the widgets or the app read an element's properties by key, not by their own calls:" >&2
    echo "$found" >&2
    status=1
fi
[ -r "$links" ] || { echo "cannot read $links" >&2; exit 1; }
found=$(grep -E 'quillet_(core|ui|app)\b' "$links")
if [ -n "$found" ]; then
    echo "platform libraries link a layer above them:" >&2
    echo "$found" >&2
    status=1
fi
exit $status
