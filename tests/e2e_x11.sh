# Sourced by the end-to-end scripts: the program installed into a directory of its own, a home
# of its own and a private Xvfb display. Sets work, prefix, pids (killed on exit) and DISPLAY.
skip() { echo "SKIPPED: $*"; exit 77; }
command -v Xvfb >/dev/null || skip "Xvfb is not installed"
command -v xdotool >/dev/null || skip "xdotool is not installed"

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
# xdotool reads the typed text in the locale's encoding; Debian always has C.UTF-8.
export LC_ALL=C.UTF-8
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Xvfb picks a free display number itself, so that scripts running side by side never meet.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation >/dev/null 2>&1 || skip "Xvfb did not start: $(cat "$work/xvfb.log")"

# Gives a window the keyboard: without a window manager the focus follows the pointer.
focus() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    xdotool windowfocus --sync "$1"
    for _ in $(seq 50); do [ "$(xdotool getwindowfocus)" = "$1" ] && break; sleep 0.1; done
    sleep 0.3
}
