#!/usr/bin/env bash
# End to end with the print layout window under a window manager (openbox) and a Turkish
# keyboard: opening and closing it leaves Satir.dat as it was, byte for byte; Alt+F4 on the
# service window does not end the program under it; Ctrl+Right held for two seconds moves a box
# by one step.
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; cat "$work/program.log" 2>/dev/null || true; exit 1; }
e2e_need Xvfb xdotool sqlite3 openbox setxkbmap cmp

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
sqlite3 "$prefix/Servis.mdb" "INSERT INTO Servis (ServisKayitNo, Unvan) VALUES ('01-0001-01', 'Ali''nin Dükkanı')"
# The window away from the corner, where a window manager's placement would show.
printf '1500,3000,7530,9765\r\n' >"$prefix/Satir.dat"
for line in 360,6240 360,8250 840,210 1260,210 1680,210 2100,210 2520,210 2940,210 3360,210 3780,210 \
    4200,210 4620,210 5040,210 840,4830 2340,4830 3840,4830 5340,4830 420,210; do
    printf '%s\r\n' "$line" >>"$prefix/Satir.dat"
done
cp "$prefix/Satir.dat" "$work/Satir.read"

e2e_start_xvfb
e2e_start_wm

cd "$prefix"
QT_QPA_PLATFORM=xcb ./KelvoraTeknikServis >"$work/program.log" 2>&1 &
program=$!
pids+=($program)
service=$(timeout 20 xdotool search --sync --onlyvisible --name 'Kelvora Teknik Servis Program' | head -n 1) || true
[ -n "$service" ] || fail "the service window did not appear"

# Opens the layout window from the service window's "&Yazıcı" and waits until the window
# manager has framed it.
open_layout() {
    focus "$service"
    xdotool key --delay 100 alt+y
    layout=$(timeout 10 xdotool search --sync --onlyvisible --name '^Servis Formu$' | head -n 1) || true
    [ -n "$layout" ] || fail "the layout window did not open"
    sleep 1
}
close_layout() {
    focus "$layout"
    xdotool key --delay 100 ctrl+k
    for _ in $(seq 50); do xdotool search --onlyvisible --name '^Servis Formu$' >/dev/null 2>&1 || return 0; sleep 0.1; done
    fail "the layout window did not close"
}

for opening in 1 2 3; do
    open_layout
    close_layout
    cmp -s "$work/Satir.read" "$prefix/Satir.dat" ||
        fail "opening $opening changed Satir.dat: $(head -n 1 "$prefix/Satir.dat") (read $(head -n 1 "$work/Satir.read"))"
done

# Alt+F4 where the service window is: the window manager's close must not end the program.
open_layout
xdotool windowactivate "$service" 2>/dev/null || true
sleep 0.5
xdotool key alt+F4
sleep 1.5
kill -0 "$program" 2>/dev/null || fail "Alt+F4 on the service window ended the program"
xdotool search --onlyvisible --name 'Kelvora Teknik Servis Program' >/dev/null || fail "the service window went"
xdotool search --onlyvisible --name '^Servis Formu$' >/dev/null 2>&1 || open_layout

# A held Ctrl+Right, with the X server's own key repeats, moves the first box 15 twips once.
focus "$layout"
xdotool key --delay 150 ctrl+a Tab
xdotool keydown ctrl+Right
sleep 2
xdotool keyup ctrl+Right
sleep 0.3
close_layout
box0=$(sed -n 2p "$prefix/Satir.dat" | tr -d '\r')
[ "$box0" = "360,6255" ] || fail "after holding Ctrl+Right the first box is at '$box0', expected '360,6255'"

focus "$service"
xdotool key --delay 100 alt+ccedilla     # Çıkış
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not close"
wait "$program" || fail "the program ended with an error"
echo "end to end (print layout, openbox): 1 passed, 0 failed"
