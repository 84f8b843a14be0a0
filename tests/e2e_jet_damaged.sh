#!/usr/bin/env bash
# End to end: a damaged old Access file in a fresh program directory, the program started and its
# question answered "Evet". One file crashes the reader, the other sends it round a loop that
# only grows; each must end in the Turkish message naming the file, within a minute, with the
# originals unchanged, nothing left behind and the program ending cleanly once it is read.
set -euo pipefail
build=$1
fixtures=$2
[ -f "$fixtures/jet4/Servis.mdb" ] || { echo "FAILED: no fixtures at $fixtures"; exit 1; }
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; [ -f "$work/program.log" ] && cat "$work/program.log"; exit 1; }
e2e_need Xvfb xdotool
cmake --install "$build" --prefix "$work/installed" >/dev/null
e2e_start_xvfb

messagebox() {
    timeout 30 xdotool search --sync --onlyvisible --name '^Kelvora Teknik Servis$' | head -n 1
}
now() { date +%s.%N; }

# run NAME SERVIS STOK DAMAGED: the two files copied in, DAMAGED being the one named in the message.
run() {
    local name=$1 servis=$2 stok=$3 damaged=$4
    local prefix=$work/$name
    cp -a "$work/installed" "$prefix"
    install -m 644 "$fixtures/$servis" "$prefix/Servis.mdb"
    install -m 644 "$fixtures/$stok" "$prefix/Stok.mdb"
    local before
    before=$(ls "$prefix")
    cd "$prefix"
    QT_QPA_PLATFORM=xcb ./KelvoraTeknikServis >"$work/program.log" 2>&1 &
    program=$!
    pids+=($program)

    box=$(messagebox) || true
    [ -n "$box" ] || fail "$name: the question did not appear"
    focus "$box"
    local start
    start=$(now)
    xdotool key --delay 100 alt+e            # Evet
    local said="$prefix/$damaged: dosya bozuk; dönüştürülemedi, asıl dosya olduğu gibi duruyor"
    for _ in $(seq 600); do grep -qF "$said" "$work/program.log" && break; sleep 0.1; done
    grep -qF "$said" "$work/program.log" || fail "$name: no message naming $damaged within a minute"
    box=$(messagebox) || true
    [ -n "$box" ] || fail "$name: the message did not appear"
    local shown
    shown=$(now)
    focus "$box"
    xdotool key Return
    for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$program" 2>/dev/null && fail "$name: the program did not close"
    local status=0
    wait "$program" || status=$?
    [ "$status" = 1 ] || fail "$name: the program ended with $status, not the start-up's refusal (1)"
    [ "$(ls "$prefix")" = "$before" ] || fail "$name: files left behind: $(ls "$prefix")"
    cmp -s "$prefix/Servis.mdb" "$fixtures/$servis" || fail "$name: Servis.mdb was changed"
    cmp -s "$prefix/Stok.mdb" "$fixtures/$stok" || fail "$name: Stok.mdb was changed"
    awk -v n="$name" -v a="$start" -v b="$shown" -v c="$(now)" \
        'BEGIN { printf "%s: message %.1f s after \"Evet\", program ended %.1f s after it\n", n, b - a, c - a }'
}

run crash jet4/Servis.mdb jet4-lost-usage-map/Stok.mdb Stok.mdb
run loop jet4-empty-property/Servis.mdb jet4/Stok.mdb Servis.mdb
echo "end to end, damaged Access files: 2 passed, 0 failed"
