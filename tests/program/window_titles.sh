#!/usr/bin/env bash
# The program on a real X server, as a person starts it: the window manager is handed the
# logon window's title exactly as the window gives it ("Logon"), nothing appended.
#
#   window_titles.sh PROGRAM
#
# Exits 77 (skipped) without xvfb-run or xwininfo, unless CI=true, where scripts/setup has
# installed both and their absence is a failure.
set -euo pipefail
program=$1

for tool in xvfb-run xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is not installed"
        [[ ${CI:-} == true ]] && exit 1
        exit 77
    fi
done

names=$(mktemp)
trap 'rm -f "$names"' EXIT
QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1600x1000x24' bash -c '
    "$1" &
    pid=$!
    trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null" EXIT
    for _ in $(seq 150); do
        xwininfo -root -tree 2>/dev/null | grep -o "\"[^\"]*\"" >"$2" || true
        grep -q "Logon" "$2" && exit 0
        sleep 0.2
    done
    exit 1
' titles "$program" "$names" || { echo "no logon window appeared"; cat "$names"; exit 1; }

echo "window titles:"
sort -u "$names"
grep -qx '"Logon"' "$names" || { echo 'the logon is not titled exactly "Logon"'; exit 1; }
if grep -q '"Logon .' "$names"; then
    echo "the logon's title has something appended"
    exit 1
fi
