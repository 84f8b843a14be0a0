#!/usr/bin/env bash
# End to end under a window manager: a restore from a backup folder through Qt's own windows, each
# "Dosya Değiştirmeyi Onayla" answered with Enter only after the progress window's delay has long
# passed. The question must still be the active window, and Enter must mean "Evet".
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; cat "$work/program.log" 2>/dev/null || true; exit 1; }
e2e_need Xvfb xdotool sqlite3 openbox setxkbmap

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
sqlite3 "$prefix/Servis.mdb" "INSERT INTO Servis (ServisKayitNo, Unvan) VALUES ('01-0001-01', 'Yedekteki')"
sqlite3 "$prefix/Stok.mdb" "INSERT INTO StokHareket (StokAd, KayitNo) VALUES ('Yedekteki', '01-0001-01')"
mkdir -p "$HOME/Yedek"
cp "$prefix/Servis.mdb" "$prefix/Stok.mdb" "$HOME/Yedek/"
sqlite3 "$prefix/Servis.mdb" "UPDATE Servis SET Unvan = 'Sonradan'"
sqlite3 "$prefix/Stok.mdb" "UPDATE StokHareket SET StokAd = 'Sonradan'"

e2e_start_xvfb
e2e_start_wm
e2e_start_program

# "Dosya" is the menu bar's first entry; "Bilgileri Geri Al" its second item.
dialog=
for bar in 10 12 8 14; do
    xdotool mousemove --window "$window" 20 "$bar" click 1
    sleep 0.5
    xdotool key --delay 150 Down Down Return
    dialog=$(timeout 5 xdotool search --sync --onlyvisible --name '^Bilgilerini Geri Al' | head -n 1) || true
    [ -n "$dialog" ] && break
    xdotool key Escape
done
[ -n "$dialog" ] || fail "the restore's file dialog did not open"
focus "$dialog"
xdotool key ctrl+a
xdotool type --delay 60 "$HOME/Yedek/Servis.mdb"
xdotool key Return

for file in Servis Stok; do
    question=$(e2e_wait_window '^Dosya Değiştirmeyi Onayla$')
    [ -n "$question" ] || fail "no question before replacing $file.mdb"
    sleep 1.5 # a person reads the question; the progress window's delay is long past
    active=$(xdotool getactivewindow getwindowname 2>/dev/null || true)
    [ "$active" = "Dosya Değiştirmeyi Onayla" ] || fail "'$active' is in front of the question for $file.mdb"
    xdotool key Return
    for _ in $(seq 50); do
        [ "$(xdotool search --onlyvisible --name '^Dosya Değiştirmeyi Onayla$' 2>/dev/null | head -n 1)" = "$question" ] || break
        sleep 0.1
    done
done

for _ in $(seq 100); do
    [ "$(sqlite3 "$prefix/Stok.mdb" 'SELECT StokAd FROM StokHareket' 2>/dev/null)" = Yedekteki ] && break
    sleep 0.1
done
[ "$(sqlite3 "$prefix/Servis.mdb" 'SELECT Unvan FROM Servis')" = Yedekteki ] || fail "Servis.mdb was not restored"
[ "$(sqlite3 "$prefix/Stok.mdb" 'SELECT StokAd FROM StokHareket')" = Yedekteki ] || fail "Stok.mdb was not restored"
echo "end to end (restore question, openbox): 1 passed, 0 failed"
