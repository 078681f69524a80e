#!/usr/bin/env bash
# The program on an X server without a window manager (a kiosk), as a person starts it: the
# logon window's title is exactly what the window gives ("Logon"), nothing appended, and the
# frame, which opens maximized, fills the screen although no window manager maximizes it.
#
#   bare_x_server.sh PROGRAM
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
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Logon"; then
            sleep 1 # the frame waits a moment for a window manager before it fills the screen
            xwininfo -root -tree >"$2"
            exit 0
        fi
        sleep 0.2
    done
    exit 1
' bare "$program" "$names" || { echo "no logon window appeared"; exit 1; }

echo "windows:"
grep '"' "$names"
titles=$(grep -o '"[^"]*"' "$names")
grep -qx '"Logon"' <<<"$titles" || { echo 'the logon is not titled exactly "Logon"'; exit 1; }
if grep -q '"Logon .' <<<"$titles"; then
    echo "the logon's title has something appended"
    exit 1
fi
frame=$(grep -m1 '"Dorvane":' "$names" | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -1)
# Within a pixel: Qt 5 scales by the server's 100 dpi over 96 and rounds the size down.
if ! [[ $frame =~ ^([0-9]+)x([0-9]+)\+0\+0$ ]] || ((BASH_REMATCH[1] < 1599 || BASH_REMATCH[2] < 999)); then
    echo "the frame is $frame, not the whole screen 1600x1000+0+0"
    exit 1
fi
