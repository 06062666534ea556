#!/usr/bin/env bash
# Checks that the translation files match the texts in the code: every text marked for translation
# is in translations/quillet_sr.ts with a finished Serbian translation, the files hold no text the
# code no longer has, and English's file holds every plural form.
#
#   check-translations.sh SOURCE_DIR LUPDATE
#
# Exit status 1, with what differs, when they do not match; `cmake --build build --target
# update_translations` then brings the files up to date, ready for the translator.
set -euo pipefail
root=$1 lupdate=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/translations/quillet_*.ts "$work/"
status=0
for ts in "$work"/quillet_*.ts; do
    options=(-silent -no-obsolete -locations none -extensions cpp,h)
    [ "$(basename "$ts")" = quillet_en.ts ] && options+=(-pluralonly)
    "$lupdate" "${options[@]}" "$root/src" -ts "$ts" >/dev/null 2>&1
    if ! diff -u "$root/translations/$(basename "$ts")" "$ts" >&2; then
        echo "translations/$(basename "$ts") does not match the code's texts" >&2
        status=1
    fi
    if grep -n 'type="unfinished"' "$ts" >&2; then
        echo "translations/$(basename "$ts") has texts still to translate" >&2
        status=1
    fi
done
exit $status
