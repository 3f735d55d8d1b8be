#!/usr/bin/env bash
# Every way a user ends the program on X11 ends it with exit code 0 and no
# crash or abort: the window's close request, Ctrl+C in its terminal
# (SIGINT) and SIGTERM, each without and then with a window manager. SDL
# turns the signals into a quit request, which the layer delivers as
# WM_CLOSE, the path of the close button. Without a display it refuses to
# start and says why in one line.
#
# usage: exits_test.sh PROGRAM REPO_ROOT
set -u
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM REPO_ROOT" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"

# end_with HOW DESKTOP: starts the program, ends it HOW, checks the exit.
end_with() {
    e2e_start_program "$program" "$root"
    e2e_wait_window 120  # a sanitizer build under load starts slowly
    sleep 1
    case $1 in
    close) e2e_close ;;
    SIGINT) kill -INT "$E2E_PROGRAM_PID" ;;
    SIGTERM) kill -TERM "$E2E_PROGRAM_PID" ;;
    esac
    e2e_wait_exit 30
    e2e_check_clean_exit $? "$1 on X11 $2"
    echo "ok: $1 on X11 $2"
}

e2e_start_display --no-wm

# No display: a non-zero exit with a one-line reason, and no window anywhere.
(cd "$root" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 "$program") \
    >"$E2E_DIR/nodisplay.out" 2>"$E2E_DIR/nodisplay.err"
code=$?
[ "$code" -ne 0 ] || e2e_fail "without a display the program exited 0"
[ "$code" -ne 124 ] || e2e_fail "without a display the program did not end"
[ "$code" -lt 128 ] || e2e_fail "without a display the program died of signal $((code - 128))"
if [ "$(wc -l <"$E2E_DIR/nodisplay.err")" -ne 1 ] || [ -z "$(tr -d '[:space:]' <"$E2E_DIR/nodisplay.err")" ]; then
    e2e_fail "without a display stderr should be one line, was: $(cat "$E2E_DIR/nodisplay.err")"
fi
e2e_window_exists && e2e_fail "a window appeared although there was no display"
echo "ok: no display"

for how in close SIGINT SIGTERM; do end_with "$how" "without a window manager"; done
e2e_start_wm
for how in close SIGINT SIGTERM; do end_with "$how" "with a window manager"; done
echo "PASS: exits_test"
