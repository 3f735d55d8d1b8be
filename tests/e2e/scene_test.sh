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

# count_colour IMAGE COLOUR [CROP]: pixels of exactly that colour.
count_colour() { e2e_count_near "$1" "$2" 0 "${3:-}"; }
count_near() { e2e_count_near "$@"; }
window_shot() { e2e_x /usr/bin/import -window "$E2E_WINDOW" "$1" || e2e_fail "screenshot of the window failed"; }

e2e_start_display
work="$E2E_DIR/work"
mkdir -p "$work"
ln -s "$root/Materials" "$work/Materials"

# The trees are placed from the clock in seconds: a fixed instant gives the
# same forest every run, so what the checks see does not depend on luck.
launch="$E2E_DIR/launch"
if command -v faketime >/dev/null 2>&1; then
    printf '#!/bin/sh\nFAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f "2026-12-06 12:00:00" "%s"\n' "$program" >"$launch"
else
    printf '#!/bin/sh\nexec "%s"\n' "$program" >"$launch"
fi
chmod +x "$launch"
e2e_start_program "$launch" "$work"
e2e_wait_window 60
sleep 2

window_shot "$E2E_DIR/start.png"
read -r width height < <(e2e_window_size)
total=$((width * height))
red=$(count_colour "$E2E_DIR/start.png" "rgb(255,0,0)")
[ "$red" -lt $((total / 100)) ] || e2e_fail "$red of $total pixels show the red clear colour"
if command -v faketime >/dev/null 2>&1; then  # the fixed forest leaves sky in view
    sky=$(count_near "$E2E_DIR/start.png" "rgb(90,150,230)" "25%" "${width}x$((height / 3))+0+0")
    [ "$sky" -gt 1000 ] || e2e_fail "no blue sky in the top third ($sky pixels)"
fi
white=$(count_near "$E2E_DIR/start.png" "rgb(255,255,255)" "8%" "220x60+0+0")
[ "$white" -gt 150 ] || e2e_fail "no white statistics text at the top left ($white pixels)"
yellow=$(count_near "$E2E_DIR/start.png" "rgb(230,240,20)" "8%" "220x60+0+$((height - 68))")
[ "$yellow" -gt 150 ] || e2e_fail "no yellow legend 65 pixels above the bottom edge ($yellow pixels)"

e2e_key_hold w 1.5
window_shot "$E2E_DIR/moved.png"
changed=$($convert "$E2E_DIR/start.png" "$E2E_DIR/moved.png" -compose difference -composite -threshold 10% \
    -format "%[fx:int(mean*w*h+0.5)]" info:)
[ "$changed" -gt $((total / 20)) ] || e2e_fail "holding W changed only $changed pixels"

rm -f "$work/buffer.bmp"
e2e_key_hold m 0.5
[ -s "$work/buffer.bmp" ] || e2e_fail "holding M wrote no buffer.bmp"
check_buffer() {
    local size grey
    size=$(/usr/bin/identify -format "%wx%h" "$work/buffer.bmp")
    [ "$size" = "320x240" ] || e2e_fail "buffer.bmp is $size, not 320x240"
    grey=$(count_colour "$work/buffer.bmp" "rgb(200,200,200)")
    [ "$grey" -gt 5000 ] || e2e_fail "buffer.bmp shows little light-grey background ($grey pixels)"
    [ "$grey" -lt 76000 ] || e2e_fail "buffer.bmp shows no tree silhouettes"
}
check_buffer
cp "$work/buffer.bmp" "$E2E_DIR/buffer-start.bmp"

e2e_resize 800 600
e2e_wait_size 800 600
sleep 1
e2e_program_running || e2e_fail "the program ended after a resize"
window_shot "$E2E_DIR/resized.png"
yellow=$(count_near "$E2E_DIR/resized.png" "rgb(230,240,20)" "8%" "220x60+0+532")
[ "$yellow" -gt 150 ] || e2e_fail "the legend did not follow the bottom edge after a resize"
rm -f "$work/buffer.bmp"
e2e_key_hold m 0.3
check_buffer

e2e_maximize
sleep 1.5
e2e_program_running || e2e_fail "the program ended after maximising"
window_shot "$E2E_DIR/maximised.png"
red=$(count_colour "$E2E_DIR/maximised.png" "rgb(255,0,0)")
read -r width height < <(e2e_window_size)
[ "$red" -lt $((width * height / 100)) ] || e2e_fail "the maximised window shows the red clear colour"

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
