#!/usr/bin/env bash
# End to end at the counter, under a window manager with a Turkish keyboard: a new record typed,
# its device label printed with "Etiket Yazdır" to a queue of a private CUPS, the printed barcode
# scanned back from the page as the record's code, and "Kayda Git" with the scanned digits showing
# that record again after another was entered.
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; cat "$work/program.log" 2>/dev/null || true; exit 1; }
e2e_need Xvfb xdotool sqlite3 openbox setxkbmap pdftoppm pdftotext zbarimg

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
e2e_start_cups Etiket
e2e_start_xvfb
e2e_start_wm
e2e_start_program

xdotool key --delay 100 alt+k            # Yeni Kayıt
sleep 0.3
xdotool key Return
xdotool type --delay 150 'çağrı şükrü ışık'
sleep 0.3
xdotool key --delay 100 alt+t            # Tamam
for _ in $(seq 100); do
    [ "$(sqlite3 "$prefix/Servis.mdb" 'SELECT count(*) FROM Servis')" = 1 ] && break
    sleep 0.1
done
code=$(sqlite3 "$prefix/Servis.mdb" 'SELECT ServisKayitNo FROM Servis')
[ "$code" = 01-0001-01 ] || fail "the record was not saved: '$code'"

xdotool key --delay 100 ctrl+e           # Araçlar → Etiket Yazdır
label=$(e2e_wait_window '^Etiket Yazdır$')
[ -n "$label" ] || fail "the label window did not appear"
sleep 0.5
xdotool key Return                       # Yazdır, the window's default button
e2e_wait_printed Etiket
pdftoppm -r 300 -png -singlefile "$work/cups/Etiket.out" "$work/label"
scanned=$(zbarimg --raw -q "$work/label.png") || true
[ "$scanned" = "$code" ] || fail "the printed barcode reads '$scanned', not '$code'"
pdftotext "$work/cups/Etiket.out" - | grep -q 'Çağrı Şükrü Işık' || fail "the label lacks the title"

# A second record, shown after saving; then the scanned code, typed as a scanner does.
xdotool key --delay 100 alt+k
sleep 0.3
xdotool key Return
xdotool type --delay 150 'öğüt ltd'
sleep 0.3
xdotool key --delay 100 alt+t
for _ in $(seq 100); do
    [ "$(sqlite3 "$prefix/Servis.mdb" 'SELECT count(*) FROM Servis')" = 2 ] && break
    sleep 0.1
done
xdotool key --delay 100 ctrl+g           # Araçlar → Kayda Git
goto=$(e2e_wait_window '^Kayda Git$')
[ -n "$goto" ] || fail "the Kayda Git box did not appear"
sleep 0.5
xdotool type --delay 80 "${scanned//-/}"
xdotool key Return
sleep 0.5
# What "Kayıt Sil" offers to delete is the record on screen: the scanned one.
xdotool key --delay 100 alt+s
question=$(e2e_wait_window '^Kelvora Teknik Servis$')
[ -n "$question" ] || fail "no delete question"
sleep 0.3
xdotool key --delay 100 alt+e         # Evet
for _ in $(seq 100); do
    [ "$(sqlite3 "$prefix/Servis.mdb" 'SELECT count(*) FROM Servis')" = 1 ] && break
    sleep 0.1
done
left=$(sqlite3 "$prefix/Servis.mdb" 'SELECT ServisKayitNo FROM Servis')
[ "$left" = 01-0002-01 ] || fail "Kayda Git did not show $scanned: $left is left"

xdotool key --delay 100 alt+ccedilla     # Çıkış
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not close"
wait "$program" || fail "the program ended with an error"
echo "end to end: 2 passed, 0 failed"
