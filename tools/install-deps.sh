#!/usr/bin/env bash
# Installs the Debian packages listed in tools/debian-packages.txt (or in the lists given) that are
# missing.
#
# A line is a package, optionally followed by the releases it is for: "<trixie" before Debian 13,
# ">=trixie" from Debian 13 on (by VERSION_CODENAME in /etc/os-release; Debian testing and unstable
# name the next release, and a name not known here counts as later than all of them).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- "$here/debian-packages.txt"

releases=(bookworm trixie forky duke)
rank() {
    local i
    for i in "${!releases[@]}"; do
        [ "${releases[$i]}" != "$1" ] || { echo "$i"; return; }
    done
    echo "${#releases[@]}"
}
codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
here_rank=$(rank "$codename")

# Whether the condition ("<RELEASE" or ">=RELEASE") holds for the release at hand.
holds() {
    case "$1" in
        '<'*) [ "$here_rank" -lt "$(rank "${1#<}")" ] ;;
        '>='*) [ "$here_rank" -ge "$(rank "${1#>=}")" ] ;;
        *) echo "$0: unknown release condition '$1'" >&2; exit 2 ;;
    esac
}

wanted=()
while read -r package condition _; do
    [ -n "$package" ] && [ "${package:0:1}" != "#" ] || continue
    [ -z "$condition" ] || holds "$condition" || continue
    wanted+=("$package")
done < <(cat -- "$@")
missing=()
for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
