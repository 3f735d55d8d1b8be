#!/usr/bin/env bash
# The lab as a learner drives it: each method chosen by its key, the
# culling frozen and the viewer flown back to look at it, and the window
# closed, on a debug context where an OpenGL error fails the test. The lab
# prints a line per change of state ("method: hiz", "frozen: 1"); the test
# holds a key until its line appears and reads the screen for the colours
# each feature draws in.
#
# usage: lab_test.sh LAB_PROGRAM REPO_ROOT
set -u
[ $# -eq 2 ] || { echo "usage: $0 LAB_PROGRAM REPO_ROOT" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
E2E_TITLE="Occlusion Lab"


# Colours of the marks, as the panel's legend names them.
magenta="rgb(255,0,255)"
cyan="rgb(0,255,255)"
nothing="rgb(26,31,82)"  # a depth inset where nothing was drawn

# count COLOUR FUZZ CROP in a fresh screenshot
count() {
    e2e_window_shot "$E2E_DIR/now.png"
    e2e_count_near "$E2E_DIR/now.png" "$1" "$2" "$3"
}
more_than() { [ "$(count "$1" "$2" "$3")" -gt "$4" ]; }
fewer_than() { [ "$(count "$1" "$2" "$3")" -lt "$4" ]; }

e2e_start_display
export OC_GL_DEBUG=1
e2e_start_program "$program" "$root"
e2e_wait_window 120
e2e_wait_for 120 e2e_at_least "trees: 300" 1 || e2e_fail "the lab drew no first frame"

read -r width height < <(e2e_window_size)
scene="$((width * 7 / 10))x$((height * 7 / 10))+0+0"  # inside the scene view at any size
inset_y=$((height - 190))
pyramid="230x160+264+$inset_y"
cpu="230x160+520+$inset_y"

# The program's pass loses a few trees from the start point, marked in magenta.
e2e_wait_for 30 more_than "$magenta" 25% "$scene" 200 ||
    e2e_fail "no wrongly culled tree marked from the start point ($(count "$magenta" 25% "$scene") pixels)"
e2e_window_shot "$E2E_DIR/stop_and_wait.png"

# The lab says which key picks which method ("key 2: batched").
for name in $(e2e_lab_methods); do
    [ "$name" = stop_and_wait ] && continue
    key=$(e2e_lab_key "$name")
    e2e_press_until "$key" "method: $name"
    e2e_window_shot "$E2E_DIR/$name.png"
    echo "ok: key $key chose $name"
    case $name in
    hiz) e2e_wait_for 30 fewer_than "$nothing" 10% "$pyramid" 30000 || e2e_fail "the depth pyramid inset stayed empty" ;;
    cpu | cpu_inner) e2e_wait_for 30 fewer_than "$nothing" 10% "$cpu" 30000 || e2e_fail "the CPU depth inset stayed empty" ;;
    off) e2e_wait_for 30 fewer_than "$magenta" 25% "$scene" 20 || e2e_fail "with culling off a tree is still marked as wrongly culled" ;;
    esac
done
[ "$(grep -c '^key ' "$E2E_STDOUT")" -ge 9 ] || e2e_fail "the lab named fewer than 9 methods' keys"

# Frozen with the program's pass, then flown back: the frozen frustum and
# the culled trees' boxes stand in front of the viewer.
e2e_press_until 1 "method: stop_and_wait"
e2e_press_until f "frozen: 1"
e2e_key_down s
e2e_wait_for 30 more_than "$cyan" 30% "$scene" 100
found=$?
e2e_key_up s
[ $found -eq 0 ] || e2e_fail "no frozen frustum in view after flying back ($(count "$cyan" 30% "$scene") pixels)"
e2e_window_shot "$E2E_DIR/frozen.png"
e2e_wait_for 10 more_than "rgb(90,160,255)" 20% "$scene" 100 || e2e_fail "no boxes for the culled trees while frozen"
e2e_press_until f "frozen: 0"
e2e_wait_for 30 fewer_than "$cyan" 30% "$scene" 20 || e2e_fail "the frustum stayed after thawing"

e2e_close
e2e_wait_exit 30
e2e_check_clean_exit $? "closing its window"
grep -q "OpenGL error" "$E2E_STDERR" && e2e_fail "the driver reported OpenGL errors"
# Each method's frames were counted when the next was chosen, and the last
# method's at the end ("frames of off: 12 (80.5 ms a frame)").
for name in $(sed -n 's/^key [^:]*: //p' "$E2E_STDOUT"); do
    grep -Eq "^frames of $name: [0-9]+ \([0-9.]+ ms a frame\)$" "$E2E_STDOUT" ||
        e2e_fail "no count of $name's frames"
done
[ -n "${OC_E2E_KEEP:-}" ] && cp "$E2E_DIR"/*.png "$OC_E2E_KEEP"/ 2>/dev/null
echo "PASS: lab_test"
