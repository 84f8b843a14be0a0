#!/usr/bin/env bash
# End to end, two desks of a workshop on one server: the installed program twice under one Xvfb
# with a window manager and a Turkish keyboard, each copy with its own program folder, home and
# settings, both set to one fresh database on the private PostgreSQL server. Driven with xdotool;
# checked through the server only.
#   1. a record added at desk A shows at desk B (started on the empty database), which changes it;
#   2. "Yeni Kayıt" pressed at both desks before either confirms: both records are saved;
#   3. both desks change one record, A saves first: B is asked, answers Evet, and its value is
#      stored with what only A and what only B changed;
#   4. the same answered with Enter (Hayır): A's values stay and B's change is dropped.
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
fail() {
    echo "FAILED: $*"
    q 'SELECT id, serviskayitno, unvan, nerde, sondurum, servisiyapan FROM servis.servis ORDER BY id' 2>/dev/null || true
    local w
    for w in $(xdotool search --onlyvisible --name Kelvora 2>/dev/null); do
        echo "window of process $(xdotool getwindowpid "$w" 2>/dev/null): $(xdotool getwindowname "$w" 2>/dev/null)"
    done
    for w in a b; do
        [ -s "$work/$w.log" ] && { echo "--- desk $w"; cat "$work/$w.log"; }
    done
    exit 1
}
e2e_need Xvfb xdotool xwininfo openbox setxkbmap psql

# Whatever steers libpq elsewhere (PGHOST, PGDATABASE...) must not reach the private server.
unset "${!PG@}"
[ -s "$build/pg.conninfo" ] || skip "no private PostgreSQL server: $build/pg.conninfo is missing"
server=$(cat "$build/pg.conninfo")

db=kts_two_desks_$$
conninfo="$(sed -E 's/(^| )dbname=[^ ]*//' <<<"$server") dbname=$db"
drop_database() { psql "$server" -XAtqc "DROP DATABASE IF EXISTS $db WITH (FORCE)" >/dev/null 2>&1 || true; }
trap 'cleanup; drop_database' EXIT
psql "$server" -XAtqc "CREATE DATABASE $db" >/dev/null || fail "database $db not created on $server"

# q SQL: the answer of the shared database, fields joined by |.
q() { psql "$conninfo" -XAtqc "$1"; }
# poll SQL EXPECTED: polls the server (up to 30 s) until SQL gives EXPECTED; false if it never
# did, with what it gave last in `got`.
poll() {
    for _ in $(seq 150); do
        got=$(q "$1") && [ "$got" = "$2" ] && return 0
        sleep 0.2
    done
    return 1
}
# expect SQL EXPECTED WHAT: poll or fail.
expect() { poll "$1" "$2" || fail "$3: the server holds '$got', '$2' expected"; }
# The fields the desks change, of the record with code $1.
fields() { echo "SELECT nerde || '|' || sondurum || '|' || servisiyapan FROM servis.servis WHERE serviskayitno = '$1'"; }

for d in a b; do
    mkdir -p "$work/$d/home" "$work/$d/config/KelvoraTeknikServis" "$work/$d/data" "$work/$d/run"
    chmod 700 "$work/$d/run"
    HOME=$work/$d/home XDG_CONFIG_HOME=$work/$d/config XDG_DATA_HOME=$work/$d/data XDG_RUNTIME_DIR=$work/$d/run \
        cmake --install "$build" --prefix "$work/$d/program" >/dev/null
done
"$work/a/program/kts-server" init "$conninfo" >"$work/init.log" 2>&1 ||
    fail "kts-server init: $(cat "$work/init.log")"
# As a desk is set up by hand: the setting written into its registry file, the program closed.
[[ $conninfo != *[\"\\]* ]] || fail "the connection string would need quoting: $conninfo"
for d in a b; do
    printf '[LoginExTov\\Tov\\Properties]\n"Sunucu" = 1 "%s"\n' "$conninfo" \
        >"$work/$d/config/KelvoraTeknikServis/registry.txt"
done

e2e_start_xvfb
e2e_start_wm

# The visible window of process $1 named $2 (a regular expression), or "". Filtered here:
# xdotool search --pid together with --name also gives other processes' windows of that name.
shown_window() {
    local w
    for w in $(xdotool search --onlyvisible --name "$2" 2>/dev/null); do
        [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    return 0
}
# The same, waiting up to 20 s for it.
window_of() {
    local found
    for _ in $(seq 200); do
        found=$(shown_window "$1" "$2")
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
}

# start_desk NAME LEFT: starts that desk's program from its folder, as its shortcut does, and puts
# its window at LEFT; sets pid_NAME and win_NAME.
start_desk() {
    local d=$work/$1 pid win x
    # exec: the process the windows are looked up by is the program itself.
    (cd "$d/program" &&
        export HOME=$d/home XDG_CONFIG_HOME=$d/config XDG_DATA_HOME=$d/data XDG_RUNTIME_DIR=$d/run QT_QPA_PLATFORM=xcb &&
        exec ./KelvoraTeknikServis) >"$work/$1.log" 2>&1 &
    pid=$!
    pids+=($pid)
    win=$(window_of "$pid" '^Kelvora Teknik Servis Program')
    [ -n "$win" ] || fail "the window of desk $1 did not appear"
    focus "$win"
    # The window centres itself when first activated, perhaps after this move: moved until it
    # stays, side by side with the other desk's, so that a click never lands on the other.
    for _ in $(seq 20); do
        xdotool windowmove "$win" "$2" 0
        sleep 0.5
        x=$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print $NF}')
        [ "$x" = "$2" ] && break
    done
    [ "$x" = "$2" ] || fail "the window of desk $1 stays at $x, not at $2"
    printf -v "pid_$1" %s "$pid"
    printf -v "win_$1" %s "$win"
}

# at NAME: gives that desk the keyboard.
at() {
    local win=win_$1
    focus "${!win}"
    [ "$(xdotool getwindowfocus)" = "${!win}" ] || fail "desk $1 did not get the keyboard"
}

# last NAME: clicks the navigator's last-record arrow, 9325 twips across and 12 pixels above the
# bottom of the client area (96 dpi: 15 twips a pixel). xwininfo, not xdotool: under a
# reparenting window manager xdotool counts the frame twice.
last() {
    local win=win_$1 x y h
    read -r x y h < <(xwininfo -id "${!win}" |
        awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} /Height:/ {h = $NF} END {print x, y, h}')
    xdotool mousemove $((x + 9325 / 15)) $((y + h - 12)) click 1
    sleep 0.5
}

key() { xdotool key --delay 100 "$@"; }
type_text() { xdotool type --delay 100 "$1"; }

# new_record TITLE: Yeni Kayıt, the proposed code, the title; not confirmed.
new_record() {
    key alt+k
    sleep 0.3
    key Return
    type_text "$1"
}

# no_question NAME WHAT: fails if that desk shows a message box.
no_question() {
    local pid=pid_$1
    [ -z "$(shown_window "${!pid}" '^Kelvora Teknik Servis$')" ] || fail "$2: desk $1 shows a message box"
}

records='SELECT count(*) FROM servis.servis'
failures=()

start_desk a 0
start_desk b 640

# 1. A adds a record; B moves to the last record, which must be A's, and changes it.
at a
new_record 'çağrı şükrü ışık'
key alt+t                          # Tamam
expect "$records" 1 "the record added at desk A"
code1=$(q "SELECT serviskayitno FROM servis.servis WHERE unvan = 'Çağrı Şükrü Işık'")
[ -n "$code1" ] || fail "the title of desk A's record: $(q 'SELECT unvan FROM servis.servis')"
at b
last b
key alt+d                          # Düzeltme: the focus is on Durumu
key Down Down Tab                  # Bekliyor → Olmuyor, on to Servisi Yapan
type_text 'gökçe öztürk'
key alt+t
if poll "$(fields "$code1")" '0|2|Gökçe Öztürk'; then
    echo "ok 1: desk B showed and changed the record desk A added"
else
    echo "not ok 1: desk B, started on the empty database, did not show the record desk A added:" \
        "it holds '$got' (nerde|sondurum|servisiyapan)"
    failures+=(1)
    # The other steps need a desk B in a known state: started again, it reads the record.
    kill "$pid_b"
    wait "$pid_b" || true
    start_desk b 640
fi

# 2. "Yeni Kayıt" at A, then at B before A confirms; both save.
at a
key alt+k
sleep 0.3
at b
key alt+k
sleep 0.3
at a
key Return
type_text 'ılgaz öğün'
at b
key Return
type_text 'şule çınar'
at a
key alt+t
expect "$records" 2 "desk A's record entered alongside desk B's"
at b
key alt+t
expect "$records" 3 "desk B's record entered alongside desk A's"
no_question a "the records entered together"
no_question b "the records entered together"
expect "SELECT count(DISTINCT serviskayitno) || '|' || string_agg(unvan, '|' ORDER BY unvan)
        FROM servis.servis WHERE unvan IN ('Ilgaz Öğün', 'Şule Çınar')" '2|Ilgaz Öğün|Şule Çınar' \
    "the records entered together"
echo "ok 2: both desks' records entered together were saved under different codes"

# 3 and 4. Both desks change the last record: A its place (Nerde) and who serves it, B its status
# (Durumu) and who serves it. A saves first; B saves and is asked, and answers with the key $1:
# alt+e (Evet) keeps B's value with both sides' other changes, Return (the default, Hayır) keeps
# what A saved and drops B's change.
conflict() {
    local answer=$1 code box
    code=$(q 'SELECT serviskayitno FROM servis.servis ORDER BY id DESC LIMIT 1')
    expect "$(fields "$code")" '0|0|' "the record $code before the changes"

    at a
    last a
    key alt+d shift+Tab Down Tab Tab  # Nerde: Yerinde → Firmada, on past Durumu to Servisi Yapan
    type_text 'ayşe'
    at b
    last b
    key alt+d Down Down Tab           # Durumu: Bekliyor → Olmuyor, on to Servisi Yapan
    type_text 'gülşen'
    # B's change must be open before A saves. Nothing outside the program shows it: its keys are
    # taken in order, and within moments.
    sleep 1
    at a
    key alt+t
    expect "$(fields "$code")" '1|0|Ayşe' "desk A's change of $code"
    at b
    key alt+t
    box=$(window_of "$pid_b" '^Kelvora Teknik Servis$')
    [ -n "$box" ] || fail "desk B was not asked about $code, changed at desk A meanwhile"
    focus "$box"
    key "$answer"
    for _ in $(seq 100); do
        [ -z "$(shown_window "$pid_b" '^Kelvora Teknik Servis$')" ] && break
        sleep 0.2
    done
    no_question b "the answer to the question about $code"
    if [ "$answer" = alt+e ]; then
        expect "$(fields "$code")" '1|2|Gülşen' "the answer Evet at desk B for $code"
    else
        # Nothing is to be written: what might be written wrongly is given time to arrive.
        sleep 2
        expect "$(fields "$code")" '1|0|Ayşe' "the answer Hayır at desk B for $code"
    fi
    no_question a "the change of $code"
}
conflict alt+e
echo "ok 3: desk B was asked; Evet kept its value and both desks' other changes"

at b
new_record 'nuri ünal'
key alt+t
expect "$records" 4 "the record for the second pair of changes"
conflict Return
echo "ok 4: desk B was asked; Hayır kept desk A's values"

# Both desks close without an error; a desk still in the middle of a change would ask first.
for d in a b; do
    at $d
    key alt+ccedilla               # Çıkış
done
for d in a b; do
    pid=pid_$d
    for _ in $(seq 150); do kill -0 "${!pid}" 2>/dev/null || break; sleep 0.2; done
    kill -0 "${!pid}" 2>/dev/null && fail "desk $d did not close"
    wait "${!pid}" || fail "desk $d ended with an error"
done

if [ ${#failures[@]} -gt 0 ]; then
    echo "end to end: $((4 - ${#failures[@]})) passed, ${#failures[@]} failed (${failures[*]})"
    exit 1
fi
echo "end to end: 4 passed, 0 failed"
