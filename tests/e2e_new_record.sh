#!/usr/bin/env bash
# End to end, as a person would: the installed program under Xvfb, driven with xdotool, checked
# through the database files and the settings store.
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
e2e_need Xvfb xdotool

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
e2e_start_xvfb

cd "$prefix"
QT_QPA_PLATFORM=xcb ./KelvoraTeknikServis >"$work/program.log" 2>&1 &
program=$!
pids+=($program)
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Kelvora Teknik Servis Program' | head -n 1) || true
[ -n "$window" ] || { cat "$work/program.log"; echo "FAILED: the window did not appear"; exit 1; }

focus "$window"
sleep 0.2

xdotool key --delay 100 alt+k            # Yeni Kayıt
sleep 0.3
xdotool key Return                       # accept the proposed code, on to the title
xdotool type --delay 60 'çağrı şükrü ışık'
sleep 0.3
e2e_confirm_and_close
title=$(sqlite3 "$prefix/Servis.mdb" "SELECT Unvan FROM Servis WHERE ServisKayitNo='01-0001-01'")
[ "$title" = 'Çağrı Şükrü Işık' ] || fail "stored title is '$title'"
[ "$(sqlite3 "$prefix/Servis.mdb" "SELECT count(*) FROM Cari WHERE Unvan='Çağrı Şükrü Işık'")" = 1 ] ||
    fail "the customer was not added"
grep -q '"DataNo" = 1 "01-0001-01"' "$XDG_CONFIG_HOME/KelvoraTeknikServis/registry.txt" ||
    fail "DataNo was not stored"
echo "end to end: 1 passed, 0 failed"
