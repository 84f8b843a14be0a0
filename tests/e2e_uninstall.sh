#!/usr/bin/env bash
# End to end: install into a folder of its own, start the program under Xvfb (with the openbox
# window manager, or bare), run Uninstall from the program directory, and check that the program
# closed through its own closing steps and that everything but the workshop's data went.
#   e2e_uninstall.sh BUILD wm|bare
set -euo pipefail
build=$1
mode=$2
source "$(dirname "$0")/e2e_common.sh"
e2e_need Xvfb xdotool xprop xmessage
[ "$mode" = bare ] || e2e_need openbox

export WINDIR=$work/windows
desktop=$HOME/Masaüstü
mkdir -p "$desktop" "$XDG_CONFIG_HOME/KelvoraTeknikServis"
echo 'XDG_DESKTOP_DIR="$HOME/Masaüstü"' >"$XDG_CONFIG_HOME/user-dirs.dirs"

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
menu=$XDG_DATA_HOME/applications
shortcuts=("$menu/Kelvora Teknik Servis.desktop" "$menu/Kelvora Teknik Servis Kaldır.desktop"
    "$desktop/Kelvora Teknik Servis.desktop")
for s in "${shortcuts[@]}"; do [ -f "$s" ] || fail "the install made no $s"; done
[ -x "$WINDIR/st6unst.exe" ] || fail "the uninstaller is not in WINDIR"
program_files=(KelvoraTeknikServis Uninstall Giris.wav Kapan.wav Cmd.wav Recycle.wav KelvoraTeknikServis.svg
    st6unst.log)
for f in "${program_files[@]}"; do [ -e "$prefix/$f" ] || fail "the install made no $f"; done

registry=$XDG_CONFIG_HOME/KelvoraTeknikServis/registry.txt
printf '[LoginExTov\\Tov]\n"Diger" = 1 "kalir"\n\n[LoginExTov\\Tov\\Properties]\n"DataNo" = 1 "01-0001-01"\n' \
    >"$registry"
echo 'kendi notlarım' >"$prefix/notlar.txt"
# The backups and a shortcut of the user's own whose name holds the program's: neither is ours to remove.
mkdir -p "$prefix/Yedekler/2026-01-05"
echo 'yedek' >"$prefix/Yedekler/2026-01-05/Servis.mdb.zst"
notes="$desktop/Kelvora Teknik Servis notları.desktop"
printf '[Desktop Entry]\nType=Application\nName=Notlar\nExec=mousepad "%s/notlar.txt"\nPath=%s\n' "$prefix" "$prefix" >"$notes"

e2e_start_xvfb
if [ "$mode" = wm ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || fail "openbox did not start"
fi

cd "$prefix"
QT_QPA_PLATFORM=xcb ./KelvoraTeknikServis >"$work/program.log" 2>&1 &
program=$!
pids+=($program)
timeout 20 xdotool search --sync --onlyvisible --name 'Kelvora Teknik Servis Program' >/dev/null ||
    { cat "$work/program.log"; fail "the program's window did not appear"; }
# Another program's window whose title merely holds the words.
xmessage -title 'Kelvora Teknik Servis notlari.txt - Metin' 'notlar' &
other=$!
pids+=($other)
timeout 20 xdotool search --sync --onlyvisible --name 'notlari' >/dev/null || fail "xmessage did not appear"
sleep 1
sums=$(sha256sum Servis.mdb Stok.mdb)

./Uninstall >"$work/uninstall.log" 2>&1 || { cat "$work/uninstall.log"; fail "Uninstall ended with an error"; }
# Generous waits: a loaded machine folds the window slowly.
for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not close"
wait "$program" || { cat "$work/program.log"; fail "the program ended with an error"; }
kill -0 "$other" 2>/dev/null || fail "another program's window was closed"

# The uninstaller says what it did in a small window; read, then closed with its button.
box=$(timeout 40 xdotool search --sync --onlyvisible --name 'Kelvora Teknik Servis Kaldırma' | head -n 1) ||
    true
[ -n "$box" ] || fail "the uninstaller showed no message"
remover=$(xdotool getwindowpid "$box" 2>/dev/null || true)
# A loaded machine may map the box after the key: press again until it goes.
box_open() { xdotool search --onlyvisible --name 'Kelvora Teknik Servis Kaldırma' >/dev/null 2>&1; }
for _ in $(seq 10); do
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    for _ in $(seq 20); do box_open || break; sleep 0.1; done
    box_open || break
done
box_open && fail "the uninstaller's message did not close"
if [ -n "$remover" ]; then
    for _ in $(seq 200); do kill -0 "$remover" 2>/dev/null || break; sleep 0.1; done
fi

for f in "${program_files[@]}"; do [ ! -e "$prefix/$f" ] || fail "$f was not removed"; done
[ ! -e "$prefix/Windows" ] || fail "the program directory holds a Windows folder"
for s in "${shortcuts[@]}"; do [ ! -e "$s" ] || fail "$s was not removed"; done
grep -qF '[LoginExTov\Tov\Properties]' "$registry" && fail "the settings key is still there"
grep -qF '"Diger" = 1 "kalir"' "$registry" || fail "a key above the settings key went too"
[ "$(sha256sum Servis.mdb Stok.mdb)" = "$sums" ] || fail "the databases changed"
[ "$(cat notlar.txt)" = 'kendi notlarım' ] || fail "a file the log does not list went"
[ "$(cat Yedekler/2026-01-05/Servis.mdb.zst)" = 'yedek' ] || fail "the backups went"
[ -f "$notes" ] || fail "the user's own shortcut went"
[ -x "$WINDIR/st6unst.exe" ] || fail "the shared uninstaller in WINDIR went"
echo "uninstall end to end ($mode): 1 passed, 0 failed"
