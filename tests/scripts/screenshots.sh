#!/usr/bin/env bash
# quillet --screenshots as a user runs it, with a key in the keyring and their own preferences: the
# pictures of every view in a folder that does not exist yet, the exact lines, no display needed, and the
# keyring and the preferences left exactly as they were. Runs inside a session; $1 is the quillet binary.
set -u
quillet=$1
. "$(dirname "$0")/../session/common.sh"
png_size() {  # width×height from the PNG header
    /usr/bin/python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%d×%d" % struct.unpack(">II", d[16:24]) if d[:4]==b"\x89PNG" else "not a PNG")' "$1"
}
keyring_state() {
    secret-tool search --all --unlock service com.lumenfold.quillet account openai-api-key 2>&1
    secret-tool lookup service com.lumenfold.quillet account openai-api-key
    ls -l --time-style=full-iso "$XDG_DATA_HOME/keyrings"
}

printf '%s' "sk-user-own-key-42" |
    secret-tool store --label "Quillet API key" service com.lumenfold.quillet account openai-api-key
before=$(keyring_state)
check "the user's key is stored" grep -q "sk-user-own-key-42" <<<"$before"

names=(popover-correction popover-rephrase settings settings-server settings-shortcut settings-blocked
    settings-actions onboarding onboarding-key onboarding-try overlay-icon)
sizes=(800×680 800×680 1360×960 1360×960 1360×960 1360×960 1360×960 1040×1040 1040×1040 1040×1040 192×192)
expect_run() {  # expect_run LABEL DIRECTORY OUTPUT RC ERRFILE
    local label=$1 dir=$2 out=$3 rc=$4 err=$5 expected
    expected=$(for i in "${!names[@]}"; do echo "  ${names[i]}.png (${sizes[i]})"; done
        echo "Screenshots written to $dir")
    check "$label: exit status 0" test "$rc" -eq 0
    check "$label: the exact lines" test "$out" = "$expected"
    check "$label: nothing on standard error" test ! -s "$err"
    for i in "${!names[@]}"; do
        check "$label: ${names[i]}.png is ${sizes[i]}" test "$(png_size "$dir/${names[i]}.png")" = "${sizes[i]}"
    done
    check "$label: only those files" test "$(ls "$dir" | wc -l)" -eq "${#names[@]}"
}

# No display at all, into a missing nested folder given relative to the current one.
cd "$QUILLET_SESSION_DIR" || exit 1
out=$(env -u DISPLAY "$quillet" --screenshots docs/a/b/shots 2>err1)
expect_run "no display" "$QUILLET_SESSION_DIR/docs/a/b/shots" "$out" $? err1
check "no preferences file appears" test ! -e "$XDG_CONFIG_HOME/quillet"
check "no autostart entry appears" test ! -e "$XDG_CONFIG_HOME/autostart"
cp docs/a/b/shots/settings.png settings-en.png

# With the user's own preferences and an X display: drawn in their language, the file left alone.
mkdir -p "$XDG_CONFIG_HOME/quillet"
printf '[General]\nlanguage=sr\nmodel=gpt-4o\nminWordCount=5\n' >"$XDG_CONFIG_HOME/quillet/quillet.conf"
touch -d '2020-01-01 00:00' "$XDG_CONFIG_HOME/quillet/quillet.conf"
conf_before=$(ls -l --time-style=full-iso "$XDG_CONFIG_HOME/quillet"; cat "$XDG_CONFIG_HOME/quillet/quillet.conf")
out=$("$quillet" --screenshots "$QUILLET_SESSION_DIR/docs/a/b/shots" 2>err2)
expect_run "again, over the first" "$QUILLET_SESSION_DIR/docs/a/b/shots" "$out" $? err2
check "the user's preferences are shown" test "$(cmp -s settings-en.png docs/a/b/shots/settings.png; echo $?)" -ne 0
check "the preferences file is untouched" test "$conf_before" = \
    "$(ls -l --time-style=full-iso "$XDG_CONFIG_HOME/quillet"; cat "$XDG_CONFIG_HOME/quillet/quillet.conf")"

# The argument after the flag is the folder, whatever it looks like; the self-check does not run.
out=$("$quillet" --screenshots --doctor 2>err3)
check "'--doctor' as the folder name" test "$(tail -n 1 <<<"$out")" = "Screenshots written to $QUILLET_SESSION_DIR/--doctor"
check "'--doctor' folder has the pictures" test -f "$QUILLET_SESSION_DIR/--doctor/overlay-icon.png"

# A folder that looks like one of Qt's own options is still the folder, and no option of Qt's.
out=$("$quillet" --screenshots -reverse 2>err4)
check "'-reverse' as the folder name" test "$(tail -n 1 <<<"$out")" = "Screenshots written to $QUILLET_SESSION_DIR/-reverse"
check "'-reverse' draws left to right as always" cmp -s "$QUILLET_SESSION_DIR/-reverse/settings.png" "$QUILLET_SESSION_DIR/--doctor/settings.png"

check "the keyring is untouched" test "$(keyring_state)" = "$before"

[ "$failures" -eq 0 ]
