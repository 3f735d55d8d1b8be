#!/usr/bin/env bash
# The running demo as a user sees it: the scene with its overlay, flying with
# W, the occlusion buffer saved while M is held, a resize and a maximise, and
# a clear refusal to start when a mesh file is missing.
#
# usage: scene_test.sh PROGRAM REPO_ROOT
set -u
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM REPO_ROOT" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
convert=/usr/bin/convert

command -v faketime >/dev/null || e2e_fail "faketime is not installed (scripts/bootstrap test installs it)"

e2e_start_display
work="$E2E_DIR/work"
mkdir -p "$work"
ln -s "$root/Materials" "$work/Materials"

# The trees are placed from the clock in seconds: a fixed instant gives the
# same forest every run, one that leaves sky in view.
launch="$E2E_DIR/launch"
printf '#!/bin/sh\nFAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f "2026-12-06 12:00:00" "%s"\n' "$program" >"$launch"
chmod +x "$launch"
e2e_start_program "$launch" "$work"
e2e_wait_window 60

# shows NAME CHECK...: a screenshot of the window, checked at its current size.
width=0 height=0
shows() {
    local name=$1
    shift
    read -r width height < <(e2e_window_size)
    e2e_window_shot "$E2E_DIR/$name.png"
    "$@" "$E2E_DIR/$name.png" "$width" "$height"
}
e2e_until 60 "the scene and its overlay" shows start e2e_scene_ok

moved() {
    e2e_window_shot "$E2E_DIR/moved.png"
    local changed
    changed=$(e2e_view_changed "$E2E_DIR/start.png" "$E2E_DIR/moved.png" "$width" "$height")
    E2E_SEEN="$changed pixels of the view changed"
    [ "$changed" -gt $((width * height / 20)) ]
}
e2e_hold_until w 30 "the view changing" moved

# M held until buffer.bmp appears; once released, the file is checked when
# it has stopped changing (the frame in flight may still rewrite it).
buffer_written() { E2E_SEEN="no buffer.bmp in $work"; test -s "$work/buffer.bmp"; }
hold_m() {
    rm -f "$work/buffer.bmp"
    e2e_hold_until m 30 "buffer.bmp written" buffer_written
    e2e_until 10 "a complete buffer.bmp that stops changing" e2e_file_settled "$work/buffer.bmp" 307254
    local size grey
    size=$(/usr/bin/identify -format "%wx%h" "$work/buffer.bmp")
    [ "$size" = "320x240" ] || e2e_fail "buffer.bmp is $size, not 320x240"
    grey=$(e2e_count_near "$work/buffer.bmp" "rgb(200,200,200)" 0)
    [ "$grey" -gt 5000 ] || e2e_fail "buffer.bmp shows little light-grey background ($grey pixels)"
    [ "$grey" -lt 76000 ] || e2e_fail "buffer.bmp shows no tree silhouettes"
}
hold_m
cp "$work/buffer.bmp" "$E2E_DIR/buffer-start.bmp"

# A resize resets the device: the legend follows the new bottom edge.
e2e_resize 800 600
e2e_wait_size 800 600
e2e_until 30 "the overlay at 800 x 600" shows resized e2e_overlay_ok
hold_m

e2e_maximize
maximised() {
    read -r width height < <(e2e_window_size)
    E2E_SEEN="window ${width}x$height"
    [ "$width" -ge 1200 ]
}
e2e_until 15 "a maximised window" maximised
no_red() {
    local red
    red=$(e2e_count_near "$1" "rgb(255,0,0)" 0)
    e2e_overlay_ok "$@" || return 1
    E2E_SEEN="$red red pixels; $E2E_SEEN"
    [ "$red" -lt $(($2 * $3 / 100)) ]
}
e2e_until 30 "the maximised scene with its overlay" shows maximised no_red

e2e_close
e2e_wait_exit 30
code=$?
e2e_check_no_crash "$code"
[ "$code" -eq 0 ] || e2e_fail "the program exited with $code after closing its window"
[ -n "${OC_E2E_KEEP:-}" ] && cp "$E2E_DIR"/*.png "$E2E_DIR"/*.bmp "$OC_E2E_KEEP"/ 2>/dev/null

# A missing mesh file: the program names it, exits non-zero and shows nothing.
broken="$E2E_DIR/broken"
mkdir -p "$broken/Materials"
cp "$root"/Materials/* "$broken/Materials/"
rm "$broken/Materials/skybox.x"
(cd "$broken" && timeout 60 "$program") >"$E2E_DIR/broken.out" 2>"$E2E_DIR/broken.err"
code=$?
[ "$code" -ne 0 ] && [ "$code" -lt 124 ] || e2e_fail "with skybox.x missing the program exited $code"
grep -q 'skybox.x' "$E2E_DIR/broken.err" || e2e_fail "the error does not name skybox.x: $(cat "$E2E_DIR/broken.err")"
e2e_window_exists && e2e_fail "a window appeared although the scene could not load"
echo "PASS: scene_test"
