#!/usr/bin/env bash
# The program under a real Wayland compositor (weston, shown in the test's
# Xvfb) through SDL's wayland driver, with no X display to fall back on: the
# window appears with a 1024 x 768 client area, the scene renders, a held key
# moves the camera, maximising resets the device to the new size, and both
# the close button and SIGTERM end the program with exit code 0.
#
# usage: wayland_test.sh PROGRAM REPO_ROOT
set -u
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM REPO_ROOT" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"

e2e_start_display --no-wm
e2e_start_weston

# launch [faketime]: the program on Wayland only. The fixed instant gives the
# forest that leaves sky in view (see scene_test.sh); faketime stays the
# parent, so the run that is sent a signal goes without it.
launch() {
    local fixed=""
    [ "${1:-}" = faketime ] && command -v faketime >/dev/null && fixed='faketime -f "2026-12-06 12:00:00"'
    printf '#!/bin/sh\nFAKETIME_DONT_FAKE_MONOTONIC=1 exec env -u DISPLAY SDL_VIDEODRIVER=wayland %s "%s"\n' \
        "$fixed" "$program" >"$E2E_DIR/launch"
    chmod +x "$E2E_DIR/launch"
    e2e_start_program "$E2E_DIR/launch" "$root"
}

# Waits for the scene and sets W H X Y (the client area on screen).
W=0 H=0 X=0 Y=0
shot() {
    e2e_screenshot "$E2E_DIR/$1.png"
    read -r W H X Y < <(e2e_client_box "$E2E_DIR/$1.png")
}
wait_scene() {
    local deadline=$(($(e2e_now_ms) + 60000))
    until shot "$1" && [ "${W:-0}" -ge 300 ]; do
        e2e_program_running || e2e_fail "the program ended before its window appeared"
        [ "$(e2e_now_ms)" -ge "$deadline" ] && e2e_fail "no scene on weston's output within 60 s"
        sleep 0.5
    done
}
client() { echo "${W}x${H}+${X}+${Y}"; }

launch faketime
wait_scene start
sleep 2
shot start
# No frame to take off on Wayland: the outer 1024 x 768 is the client area,
# and the decorations are drawn around it.
[ "$W $H" = "1024 768" ] || e2e_fail "the client area is ${W}x$H, not 1024x768"
area=$((W * H))
red=$(e2e_count_near "$E2E_DIR/start.png" "rgb(255,0,0)" "0%" "$(client)")
[ "$red" -lt $((area / 100)) ] || e2e_fail "$red pixels show the red clear colour"
sky=$(e2e_count_near "$E2E_DIR/start.png" "rgb(90,150,230)" "25%" "${W}x$((H / 3))+$X+$Y")
[ "$sky" -gt 1000 ] || e2e_fail "no blue sky in the top third ($sky pixels)"
terrain=$(e2e_count_near "$E2E_DIR/start.png" "rgb(70,105,35)" "12%" "${W}x$((H / 4))+$X+$((Y + H * 3 / 4))")
[ "$terrain" -gt $((area / 40)) ] || e2e_fail "no green terrain in the bottom quarter ($terrain pixels)"
trunks=$(e2e_count_near "$E2E_DIR/start.png" "rgb(50,38,27)" "8%" "$(client)")
[ "$trunks" -gt 2000 ] || e2e_fail "no brown tree trunks ($trunks pixels)"
white=$(e2e_count_near "$E2E_DIR/start.png" "rgb(255,255,255)" "8%" "220x60+$X+$Y")
[ "$white" -gt 150 ] || e2e_fail "no white statistics text at the top left ($white pixels)"
yellow=$(e2e_count_near "$E2E_DIR/start.png" "rgb(230,240,20)" "8%" "220x60+$X+$((Y + H - 68))")
[ "$yellow" -gt 150 ] || e2e_fail "no yellow legend 65 pixels above the bottom edge ($yellow pixels)"

# weston places new windows at random; its title bar must be on screen to be
# clicked, so a window placed at the very top is dragged down (Super+drag).
if [ "$Y" -lt 40 ]; then
    e2e_x xdotool mousemove $((X + W / 2)) $((Y + H / 2)) keydown super mousedown 1 sleep 0.3 \
        mousemove $((X + W / 2)) $((Y + H / 2 + 60)) sleep 0.3 mouseup 1 keyup super
    sleep 1
    shot start
    [ "$Y" -ge 40 ] || e2e_fail "could not move the window below the top edge (at $(client))"
fi

# Keys typed into weston's window go to the focused Wayland client. W is
# held until the view has changed (a slow build draws few frames a second).
e2e_x xdotool mousemove $((X + W / 2)) $((Y + H / 2))
moved() {
    e2e_screenshot "$E2E_DIR/moved.png"
    changed=$(/usr/bin/convert "$E2E_DIR/start.png" "$E2E_DIR/moved.png" -crop "$(client)" +repage \
        -compose difference -composite -threshold 10% -format "%[fx:int(mean*w*h+0.5)]" info:)
    [ "$changed" -gt $((area / 20)) ]
}
e2e_x xdotool keydown w || e2e_fail "xdotool could not hold W"
sleep 1
e2e_wait_for 15 moved
held=$?
e2e_x xdotool keyup w
[ "$held" -eq 0 ] || e2e_fail "holding W changed only $changed pixels"

# A double click on the title bar maximises the window: the device is reset
# to the new client size, the legend follows the bottom edge.
e2e_x xdotool mousemove $((X + W / 2)) $((Y - 15)) click --repeat 2 --delay 80 1
sleep 2
shot maximised
[ "$W" -ge 1100 ] && [ "$H" -gt 800 ] || e2e_fail "the maximised client area is $(client)"
red=$(e2e_count_near "$E2E_DIR/maximised.png" "rgb(255,0,0)" "0%" "$(client)")
[ "$red" -lt $((W * H / 100)) ] || e2e_fail "the maximised window shows the red clear colour"
yellow=$(e2e_count_near "$E2E_DIR/maximised.png" "rgb(230,240,20)" "8%" "220x60+$X+$((Y + H - 68))")
[ "$yellow" -gt 150 ] || e2e_fail "the legend did not follow the bottom edge after maximising"
e2e_program_running || e2e_fail "the program ended after maximising"

# The close button at the right end of the title bar.
e2e_x xdotool mousemove $((X + W - 14)) $((Y - 12)) click 1
e2e_wait_exit 30
e2e_check_clean_exit $? "its close button was clicked"
[ -n "${OC_E2E_KEEP:-}" ] && cp "$E2E_DIR"/*.png "$OC_E2E_KEEP"/ 2>/dev/null

launch
wait_scene again
kill -TERM "$E2E_PROGRAM_PID"
e2e_wait_exit 30
e2e_check_clean_exit $? "SIGTERM"
echo "PASS: wayland_test"
