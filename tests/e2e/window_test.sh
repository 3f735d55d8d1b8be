#!/usr/bin/env bash
# The window's life under a real X server and window manager: it opens, takes
# a key, follows a resize, a maximise and a restore, and a close through the
# window manager ends the program with exit code 0. Without a display the
# program refuses to start and says why in one line.
#
# usage: window_test.sh PROGRAM REPO_ROOT   (run in REPO_ROOT, where Materials/ is)
set -u
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM REPO_ROOT" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_display

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

e2e_start_program "$program" "$root"
e2e_wait_window 60

e2e_key_press w
e2e_program_running || e2e_fail "the program ended after a key press"

e2e_resize 800 600
e2e_wait_size 800 600
sleep 0.5
e2e_program_running || e2e_fail "the program ended after a resize"

# The screen is 1280 wide; a maximised window takes nearly all of it.
maximised() { [ "$(e2e_window_size | cut -d' ' -f1)" -ge 1200 ]; }
e2e_maximize
e2e_wait_for 10 maximised || e2e_fail "maximised window is $(e2e_window_size)"
sleep 0.5
e2e_restore
e2e_wait_size 800 600
sleep 0.5
e2e_program_running || e2e_fail "the program ended after maximise and restore"

e2e_close
e2e_wait_exit 30
code=$?
e2e_check_no_crash "$code"
[ "$code" -ne 124 ] || e2e_fail "the program did not end within 30 s of its window being closed"
[ "$code" -eq 0 ] || e2e_fail "the program exited with $code after closing its window"
echo "PASS: window_test"
