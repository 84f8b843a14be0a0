#!/usr/bin/env bash
# End to end under a window manager with a Turkish keyboard, as a person at the counter works:
# Enter on a button that has the focus clicks it, and a double click on "Tamam" saves the record
# once without its second click reaching "Kayıt Sil", which appears under the pointer.
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; cat "$work/program.log" 2>/dev/null || true; exit 1; }
e2e_need Xvfb xdotool xwininfo sqlite3 openbox setxkbmap

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
e2e_start_xvfb
e2e_start_wm
e2e_start_program

records() { sqlite3 "$prefix/Servis.mdb" 'SELECT count(*) FROM Servis'; }
wait_records() {
    for _ in $(seq 100); do [ "$(records)" = "$1" ] && return 0; sleep 0.1; done
    fail "$2: $(records) records stored, $1 expected"
}
new_record() {
    xdotool key --delay 100 alt+k        # Yeni Kayıt
    sleep 0.3
    xdotool key Return                   # the proposed code, on to the title
    xdotool type --delay 150 "$1"
    sleep 0.3
}

# "Tamam" and, once saved, "Kayıt Sil" share this spot at the bottom of the window (96 dpi:
# 15 twips a pixel; the bar lies 8010 to 8310 twips down a 8340-twip client area).
# xwininfo, not xdotool: under a reparenting window manager xdotool counts the frame twice.
read -r X Y HEIGHT < <(xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} /Height:/ {h = $NF} END {print x, y, h}')
spot_x=$((X + 1560 / 15)) spot_y=$((Y + HEIGHT - 12))

new_record 'ışık ticaret'
# A press that ends off the button gives it the focus without clicking it; Enter then clicks it.
xdotool mousemove "$spot_x" "$spot_y" mousedown 1
xdotool mousemove $((spot_x + 400)) $((spot_y - 300)) mouseup 1
sleep 0.3
[ "$(records)" = 0 ] || fail "the press off the button saved the record"
xdotool key Return
wait_records 1 "Enter on the focused Tamam"

new_record 'çağrı öğüt'
xdotool mousemove "$spot_x" "$spot_y" click --repeat 2 --delay 120 1
wait_records 2 "the double click on Tamam"
sleep 1
question=$(xdotool search --onlyvisible --name '^Kelvora Teknik Servis$' 2>/dev/null | head -n 1) || true
[ -z "$question" ] || fail "the second click of the double click asked to delete the record"
[ "$(sqlite3 "$prefix/Servis.mdb" "SELECT group_concat(Unvan, '|') FROM Servis ORDER BY ID")" = 'Işık Ticaret|Çağrı Öğüt' ] ||
    fail "stored titles: $(sqlite3 "$prefix/Servis.mdb" 'SELECT Unvan FROM Servis')"

xdotool key --delay 100 alt+ccedilla     # Çıkış
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not close"
wait "$program" || fail "the program ended with an error"
echo "end to end: 2 passed, 0 failed"
