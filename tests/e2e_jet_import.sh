#!/usr/bin/env bash
# End to end: a workshop's old Access files in a fresh program directory, the program started,
# its question answered "Evet" with xdotool, the converted files checked with sqlite3.
set -euo pipefail
build=$1
fixtures=$2
[ -f "$fixtures/jet4/Servis.mdb" ] || { echo "FAILED: no fixtures at $fixtures"; exit 1; }
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; [ -f "$work/program.log" ] && cat "$work/program.log"; exit 1; }
e2e_need Xvfb xdotool
prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
e2e_start_xvfb

for f in Servis.mdb Stok.mdb; do
    install -m 644 "$fixtures/jet4/$f" "$prefix/$f"
done
# A message box carries the program's title alone.
messagebox() {
    timeout 30 xdotool search --sync --onlyvisible --name '^Kelvora Teknik Servis$' | head -n 1
}

cd "$prefix"
QT_QPA_PLATFORM=xcb ./KelvoraTeknikServis >"$work/program.log" 2>&1 &
program=$!
pids+=($program)

box=$(messagebox) || true
[ -n "$box" ] || fail "the question did not appear"
focus "$box"
xdotool key --delay 100 alt+e            # Evet
# The closing message follows once both files are converted.
for _ in $(seq 300); do [ -f "$prefix/Stok.access-yedek.mdb" ] && break; sleep 0.1; done
[ -f "$prefix/Stok.access-yedek.mdb" ] || fail "the conversion did not finish"
sleep 0.5
box=$(messagebox) || true
[ -n "$box" ] || fail "the closing message did not appear"
focus "$box"
xdotool key Return
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Kelvora Teknik Servis Program' | head -n 1) || true
[ -n "$window" ] || fail "the service window did not appear"

count() { sqlite3 "$prefix/$1" "SELECT count(*) FROM $2"; }
[ "$(count Servis.mdb Servis)" = 30 ] || fail "Servis holds $(count Servis.mdb Servis) records"
[ "$(count Servis.mdb Cari)" = 10 ] || fail "Cari holds $(count Servis.mdb Cari) customers"
[ "$(count Stok.mdb StokKartlar)" = 15 ] || fail "StokKartlar holds $(count Stok.mdb StokKartlar) cards"
[ "$(count Stok.mdb StokHareket)" = 40 ] || fail "StokHareket holds $(count Stok.mdb StokHareket) items"
for f in Servis Stok; do
    cmp -s "$prefix/$f.access-yedek.mdb" "$fixtures/jet4/$f.mdb" || fail "$f.access-yedek.mdb is not the original"
done

focus "$window"
xdotool key --delay 100 alt+ccedilla     # Çıkış
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not close"
wait "$program" || fail "the program ended with an error"
echo "end to end, old Access files: 1 passed, 0 failed"
