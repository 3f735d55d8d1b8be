#!/usr/bin/env bash
# The program under a real Wayland compositor (weston, shown in the test's
# Xvfb) through SDL's wayland driver, with no X display to fall back on: the
# window appears with a 1024 x 768 client area, the scene renders, a held key
# moves the camera, maximising resets the device to the new size, and both
# the close button and SIGTERM end the program with exit code 0. Where the
# window is comes from weston itself, wherever it chose to place it.
#
# usage: wayland_test.sh PROGRAM REPO_ROOT
set -u
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM REPO_ROOT" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
command -v faketime >/dev/null || e2e_fail "faketime is not installed (scripts/bootstrap test installs it)"

e2e_start_display --no-wm
e2e_start_weston

# launch [faketime]: the program on Wayland only. The fixed instant gives the
# forest that leaves sky in view (see scene_test.sh); faketime stays the
# parent, so the run that is sent a signal goes without it.
launch() {
    local fixed=""
    [ "${1:-}" = faketime ] && fixed='faketime -f "2026-12-06 12:00:00"'
    printf '#!/bin/sh\nFAKETIME_DONT_FAKE_MONOTONIC=1 exec env -u DISPLAY SDL_VIDEODRIVER=wayland %s "%s"\n' \
        "$fixed" "$program" >"$E2E_DIR/launch"
    chmod +x "$E2E_DIR/launch"
    e2e_start_program "$E2E_DIR/launch" "$root"
}

# W H X Y: the client area on screen; TW TH TX TY: the title bar.
W=0 H=0 X=0 Y=0 TW=0 TH=0 TX=0 TY=0
locate() {
    local boxes
    boxes=$(e2e_weston_boxes) || { E2E_SEEN="weston shows no window titled \"$E2E_TITLE\" with a title bar"; return 1; }
    read -r W H X Y TW TH TX TY <<<"$boxes"
    E2E_SEEN="client area ${W}x$H+$X+$Y, title bar ${TW}x$TH+$TX+$TY"
}
client() { echo "${W}x${H}+${X}+${Y}"; }
# shows NAME CHECK...: locates the window, takes a screenshot, runs CHECK on it.
shows() {
    local name=$1
    shift
    locate || return 1
    e2e_screenshot "$E2E_DIR/$name.png"
    "$@" "$E2E_DIR/$name.png" "$W" "$H" "$X" "$Y"
}

launch faketime
e2e_until 60 "the window on weston's output" locate
# No frame to take off on Wayland: the outer 1024 x 768 is the client area,
# and the decorations are drawn around it.
[ "$W $H" = "1024 768" ] || e2e_fail "the client area is $(client), not 1024x768"
e2e_until 60 "the scene and its overlay in $(client)" shows start e2e_scene_ok

# Keys typed into weston's window go to the focused Wayland client. W is
# held until the view has changed (a slow build draws few frames a second).
moved() {
    locate && e2e_screenshot "$E2E_DIR/moved.png" || return 1
    local changed
    changed=$(e2e_view_changed "$E2E_DIR/start.png" "$E2E_DIR/moved.png" "$W" "$H" "$X" "$Y")
    E2E_SEEN="$changed pixels of the view changed"
    [ "$changed" -gt $((W * H / 20)) ]
}
e2e_hold_until w 30 "the view changing" moved

# Maximising resets the device to the new client size and the legend
# follows the bottom edge. A user double-clicks the title bar; weston may
# have placed the window with its title bar above the output's top edge,
# and then the shell's own binding (Super+Shift+M) maximises it instead.
if [ "$TY" -ge 0 ]; then
    e2e_x xdotool mousemove $((TX + TW / 2)) $((TY + TH / 2)) click --repeat 2 --delay 80 1
else
    e2e_x xdotool key super+shift+m
fi
maximised() { locate && [ "$W" -ge 1100 ] && [ "$H" -gt 800 ]; }
e2e_until 15 "a maximised client area" maximised
maximised_scene() {
    local image=$1 w=$2 h=$3 x=$4 y=$5 red
    red=$(e2e_count_near "$image" "rgb(255,0,0)" "0%" "${w}x$h+$x+$y")
    e2e_overlay_ok "$@" || return 1
    E2E_SEEN="$red red pixels; $E2E_SEEN"
    [ "$red" -lt $((w * h / 100)) ]
}
e2e_until 30 "the maximised scene with the legend at its bottom edge" shows maximised maximised_scene

# The close button at the right end of the title bar, which a maximised
# window has on screen. The click waits until weston has the pointer over
# the button: the decorations act on where the compositor says the pointer
# is, and a click sent before that lands elsewhere.
[ "$TY" -ge 0 ] || e2e_fail "the maximised window's title bar is off screen (at ${TW}x$TH+$TX+$TY)"
bx=$((TX + TW - 14)) by=$((TY + TH / 2))
pointer_on_button() {
    local px py
    # Out of weston's output window and back in on each look: weston has
    # been seen to keep a stale pointer position, and entering its window
    # tells it where the pointer is.
    e2e_x xdotool mousemove 1270 1010 mousemove "$bx" "$by"
    read -r px py < <(WAYLAND_DISPLAY=$WAYLAND_DISPLAY e2e_x weston-debug scene-graph 2>/dev/null |
        grep -A1 'pointer-cursor' | sed -n 's/.*position: (\([0-9-]*\), \([0-9-]*\)).*/\1 \2/p')
    E2E_SEEN="weston's pointer image at ${px:-nowhere},${py:-}"
    [ -n "$px" ] && [ $((px - bx)) -le 0 ] && [ $((px - bx)) -gt -32 ] && [ $((py - by)) -le 0 ] && [ $((py - by)) -gt -32 ]
}
e2e_until 15 "weston's pointer over the close button at $bx,$by" pointer_on_button
e2e_x xdotool click 1
e2e_wait_exit 30
e2e_check_clean_exit $? "its close button was clicked"
[ -n "${OC_E2E_KEEP:-}" ] && cp "$E2E_DIR"/*.png "$OC_E2E_KEEP"/ 2>/dev/null

launch
e2e_until 60 "the window on weston's output" locate
kill -TERM "$E2E_PROGRAM_PID"
e2e_wait_exit 30
e2e_check_clean_exit $? "SIGTERM"
echo "PASS: wayland_test"
