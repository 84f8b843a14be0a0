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

# Xvfb picks a free display itself, so that tests running side by side never collide.
e2e_start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
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
