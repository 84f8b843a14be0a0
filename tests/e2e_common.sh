# Shared by the end-to-end scripts; sourced, not run. Gives a work folder that goes at exit with
# the processes listed in `pids`, a home and settings of its own, and an Xvfb display.
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }
e2e_need() { for tool; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done; }

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# As on a person's desktop, programs find the X display themselves: CTest runs under offscreen.
unset QT_QPA_PLATFORM
# xdotool reads the typed text in the locale's encoding; Debian always has C.UTF-8.
export LC_ALL=C.UTF-8
# Set before any install, which writes shortcuts into the user's folders.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Xvfb picks a free display itself, so that tests running side by side never collide. Without
# -noreset it resets as its last client leaves and refuses a program started at that moment.
e2e_start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || skip "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$(head -n 1 "$work/display")
}

# Gives a window the pointer and the keyboard, with or without a window manager (without one the
# focus follows the pointer).
focus() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
    for _ in $(seq 50); do [ "$(xdotool getwindowfocus)" = "$1" ] && break; sleep 0.1; done
    sleep 0.3
}

# Confirms the open record with Alt+T, waits until Servis.mdb of $prefix holds one record (a
# loaded machine may still be writing it), then closes with Alt+Ç and waits for $program to end
# without an error.
e2e_confirm_and_close() {
    xdotool key --delay 100 alt+t            # Tamam
    for _ in $(seq 100); do
        [ "$(sqlite3 "$prefix/Servis.mdb" 'SELECT count(*) FROM Servis')" = 1 ] && break
        sleep 0.1
    done
    xdotool key --delay 100 alt+ccedilla     # Çıkış
    for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$program" 2>/dev/null && fail "the program did not close"
    wait "$program" || fail "the program ended with an error: $(cat "$work/program.log")"
}

# A CUPS daemon of the test's own, never the machine's: its queues (the names given) print
# through the Generic PDF driver to $work/cups/QUEUE.out.
e2e_start_cups() {
    local d=$work/cups driver=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd queue
    [ -x /usr/sbin/cupsd ] || skip "cupsd is not installed"
    [ -f "$driver" ] || skip "the Generic PDF driver is not installed"
    mkdir -p "$d/spool" "$d/cache" "$d/state" "$d/log"
    # The filters run as the daemon's own user, which must reach the driver and the spool.
    chmod 755 "$work" "$d"
    printf 'Listen %s/cups.sock\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n' "$d" >"$d/cupsd.conf"
    printf '%s\n' "FileDevice Yes" "ServerRoot $d" "RequestRoot $d/spool" "CacheDir $d/cache" \
        "StateDir $d/state" "ErrorLog $d/log/error_log" "AccessLog $d/log/access_log" \
        "PageLog $d/log/page_log" "Printcap /dev/null" "SystemGroup root" >"$d/cups-files.conf"
    /usr/sbin/cupsd -f -c "$d/cupsd.conf" -s "$d/cups-files.conf" >"$d/log/cupsd.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -S "$d/cups.sock" ] && break; sleep 0.1; done
    [ -S "$d/cups.sock" ] || skip "cupsd did not start: $(cat "$d/log/cupsd.out")"
    export CUPS_SERVER=$d/cups.sock
    for queue; do
        /usr/sbin/lpadmin -p "$queue" -E -v "file:$d/$queue.out" -P "$driver" || fail "queue $queue not added"
    done
}

# Waits until the queue's output holds text (the file device writes the whole job first).
e2e_wait_printed() {
    for _ in $(seq 200); do
        [ -s "$work/cups/$1.out" ] && pdftotext "$work/cups/$1.out" - 2>/dev/null | grep -q . && return 0
        sleep 0.1
    done
    fail "nothing came out of the queue $1"
}

# A window manager as on a person's desktop (openbox), with a Turkish keyboard.
e2e_start_wm() {
    setxkbmap tr
    openbox >"$work/wm.log" 2>&1 &
    pids+=($!)
    sleep 1
}

# Starts the program installed in $prefix from its own folder, as its shortcut does, waits for its
# window and gives it the focus; sets `program` and `window`.
e2e_start_program() {
    cd "$prefix"
    QT_QPA_PLATFORM=xcb ./KelvoraTeknikServis >"$work/program.log" 2>&1 &
    program=$!
    pids+=($program)
    window=$(e2e_wait_window 'Kelvora Teknik Servis Program')
    [ -n "$window" ] || fail "the window did not appear"
    focus "$window"
}

# The first visible window whose name matches, waiting up to 20 s; "" if none came. A search that
# meets a window being destroyed fails with BadWindow: it is tried again.
e2e_wait_window() {
    local found
    for _ in $(seq 200); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
}
