# Shared by the end-to-end tests; source it. It gives each test a private X
# server (Xvfb) with a window manager (openbox), starts the program under test,
# drives its window the way a user would and cleans everything up on exit.
# Every wait is bounded, so a test ends even when the program hangs.
#
#   e2e_start_display [--no-wm]        Xvfb + openbox (or no window manager); exports DISPLAY
#   e2e_start_wm                       openbox, on a display started with --no-wm
#   e2e_start_weston                   a Wayland compositor (weston) showing in that Xvfb;
#                                      exports WAYLAND_DISPLAY; e2e_wayland_env gives the program's env
#   e2e_start_program PROGRAM DIR      starts PROGRAM in DIR, output captured
#   e2e_wait_window [SECONDS]          waits for the visible "Occlusion Culling" window
#   e2e_key_down KEY / e2e_key_up KEY
#   e2e_resize W H, e2e_maximize, e2e_restore, e2e_window_size, e2e_wait_size W H [SECONDS]
#   e2e_screenshot FILE                the whole screen as an image file
#   e2e_window_shot FILE               the window alone as an image file
#   e2e_file_settled FILE BYTES        FILE has BYTES bytes and stays unchanged for 0.3 s
#   e2e_count_near IMAGE COLOUR FUZZ [CROP]  pixels within FUZZ of COLOUR (0: exactly)
#   e2e_weston_boxes                   "W H X Y TW TH TX TY": our client area and title bar on screen,
#                                      from weston's own scene graph
#   e2e_until SECONDS WHAT CHECK...    polls CHECK until it passes; on time-out fails naming WHAT and
#                                      what CHECK last saw (it sets E2E_SEEN)
#   e2e_hold_until KEY SECONDS WHAT CHECK...  holds KEY until CHECK passes (_ok: returns false)
#   e2e_overlay_ok / e2e_scene_ok IMAGE W H [X Y]  the overlay's text, and the scene behind it
#   e2e_view_changed A B W H [X Y]     pixels of the 3D view (the overlay's text left out) that differ
#   e2e_close                          closes the window through the window manager (without
#                                      one, sends the close request a window manager would)
#   e2e_wait_exit [SECONDS]            returns the program's exit code (124: timed out, killed)
#   e2e_check_no_crash CODE            fails on a signal or a sanitizer report
#   e2e_check_clean_exit CODE WHAT     fails unless CODE is 0 with no crash or abort report
#   e2e_fail MESSAGE                   prints MESSAGE and the program's output, exits 1
#   e2e_lines LINE, e2e_at_least LINE N  how many times the program printed LINE; whether N or more
#   e2e_press_until KEY LINE [SECONDS]  holds KEY until the program prints LINE once more
#   e2e_lab_methods, e2e_lab_key NAME   the lab's methods in the order of their keys, as it names
#                                      them ("key 2: batched"); the key (xdotool's name) for NAME

E2E_TITLE="Occlusion Culling"
E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
E2E_STDOUT="$E2E_DIR/stdout"
E2E_STDERR="$E2E_DIR/stderr"
E2E_XVFB_PID=""
E2E_WM_PID=""
E2E_WESTON_PID=""
E2E_PROGRAM_PID=""
E2E_WINDOW=""
# A single X tool call never takes longer than this (a window manager on a
# loaded machine can take seconds to activate a window).
E2E_COMMAND_TIMEOUT=30

# The program must reach our X server, not a Wayland session around the test.
unset WAYLAND_DISPLAY
# In a sanitizer build, leaks are checked at exit, except the blocks that the
# libraries the program loads keep for the process (see lsan.supp).
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan.supp"
# faketime is preloaded ahead of the sanitizer runtime; that works.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"

e2e_now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The program's printed lines: how many times LINE (the whole line) came,
# and whether it came N times or more.
e2e_lines() { grep -cx "$1" "$E2E_STDOUT" 2>/dev/null; }
e2e_at_least() { [ "$(e2e_lines "$1")" -ge "$2" ]; }

e2e_lab_methods() { sed -n 's/^key .: //p' "$E2E_STDOUT"; }
e2e_lab_key() {
    local key
    key=$(sed -n "s/^key \(.\): $1\$/\1/p" "$E2E_STDOUT")
    case $key in -) echo minus ;; =) echo equal ;; *) echo "$key" ;; esac
}

e2e_press_until() {
    local before found
    before=$(e2e_lines "$2")
    e2e_key_down "$1"
    e2e_wait_for "${3:-30}" e2e_at_least "$2" $((before + 1))
    found=$?
    e2e_key_up "$1"
    [ $found -eq 0 ] || e2e_fail "holding $1 did not bring \"$2\""
}

# e2e_wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; 1 on timeout.
e2e_wait_for() {
    local deadline=$(($(e2e_now_ms) + $1 * 1000))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$(e2e_now_ms)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

e2e_x() { timeout "$E2E_COMMAND_TIMEOUT" "$@"; }

e2e_dump_output() {
    [ -s "$E2E_STDOUT" ] && { echo "--- program stdout (last lines)"; tail -n 20 "$E2E_STDOUT"; }
    [ -s "$E2E_STDERR" ] && { echo "--- program stderr (last lines)"; tail -n 20 "$E2E_STDERR"; }
    return 0
}

# On failure the screenshots go to OC_E2E_ARTIFACTS (the build's test output
# folder, set by CTest) so that what the test saw can be looked at.
e2e_fail() {
    echo "FAIL: $*" >&2
    e2e_dump_output >&2
    if [ -n "${OC_E2E_ARTIFACTS:-}" ] && compgen -G "$E2E_DIR/*.png" >/dev/null; then
        mkdir -p "$OC_E2E_ARTIFACTS" && cp "$E2E_DIR"/*.png "$OC_E2E_ARTIFACTS"/ &&
            echo "screenshots kept in $OC_E2E_ARTIFACTS" >&2
    fi
    exit 1
}

# e2e_until SECONDS WHAT CHECK...: polls CHECK until it passes, at most
# SECONDS; CHECK says what it saw in E2E_SEEN, which the failure repeats.
E2E_SEEN=""
e2e_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$(($(e2e_now_ms) + seconds * 1000))
    E2E_SEEN=""
    until "$@"; do
        [ "$(e2e_now_ms)" -ge "$deadline" ] && e2e_fail "$what within $seconds s; last seen: ${E2E_SEEN:-nothing}"
        e2e_program_running || e2e_fail "the program ended while waiting for: $what"
        sleep 0.2
    done
}

# e2e_hold_until_ok KEY SECONDS CHECK...: a slow frame can swallow a short
# press, so the key stays down until CHECK passes; false on time-out. It is
# pressed again on each look, as a keyboard repeats a held key: a focus
# change the window manager was still making when the key went down makes
# the program let go of it, and the next repeat holds it again.
e2e_hold_until_ok() {
    local key=$1 deadline=$(($(e2e_now_ms) + $2 * 1000)) ok=0
    shift 2
    E2E_SEEN=""
    until e2e_x xdotool keydown ${E2E_WINDOW:+--window "$E2E_WINDOW"} "$key" && "$@"; do
        [ "$(e2e_now_ms)" -ge "$deadline" ] && { ok=1; break; }
        e2e_program_running || break
        sleep 0.2
    done
    e2e_x xdotool keyup ${E2E_WINDOW:+--window "$E2E_WINDOW"} "$key"
    e2e_program_running || e2e_fail "the program ended while $key was held"
    return "$ok"
}

# e2e_hold_until KEY SECONDS WHAT CHECK...: the same, failing on time-out.
e2e_hold_until() {
    local key=$1 seconds=$2 what=$3
    shift 3
    e2e_hold_until_ok "$key" "$seconds" "$@" ||
        e2e_fail "$what within $seconds s of holding $key; last seen: ${E2E_SEEN:-nothing}"
}

# True while the process lives; a zombie (exited, not yet reaped) counts as ended.
e2e_alive() {
    local state
    state=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

e2e_program_running() { [ -n "$E2E_PROGRAM_PID" ] && e2e_alive "$E2E_PROGRAM_PID"; }

# Ends a process we started: politely, then for sure.
e2e_stop() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null
    e2e_wait_for 3 eval "! e2e_alive $pid" || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup() {
    e2e_stop "$E2E_PROGRAM_PID"
    e2e_stop "$E2E_WESTON_PID"
    e2e_stop "$E2E_WM_PID"
    e2e_stop "$E2E_XVFB_PID"
    if [ -n "${E2E_KEEP:-}" ]; then echo "e2e: kept $E2E_DIR" >&2; else rm -rf "$E2E_DIR"; fi
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

e2e_start_display() {
    local tool
    for tool in Xvfb xdotool wmctrl $([ "${1:-}" = --no-wm ] || echo openbox); do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed (scripts/bootstrap test installs it)"
    done
    # Xvfb picks a free display number itself and writes it once it accepts
    # clients. -noreset: by default the server resets when its last client
    # goes, and a program started in that moment (the next start, with no
    # window manager connected) finds no display.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$E2E_DIR/display" >"$E2E_DIR/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    e2e_wait_for 15 test -s "$E2E_DIR/display" || e2e_fail "Xvfb did not start: $(tail -n 3 "$E2E_DIR/xvfb.log")"
    DISPLAY=":$(head -n 1 "$E2E_DIR/display")"
    export DISPLAY
    [ "${1:-}" = --no-wm ] && return 0
    e2e_start_wm
}

e2e_start_wm() {
    local try
    for try in 1 2; do
        openbox --sm-disable >"$E2E_DIR/openbox.log" 2>&1 &
        E2E_WM_PID=$!
        e2e_wait_for 15 e2e_x wmctrl -m && return 0
        # An openbox that ended at once (it has been seen to, right after
        # another test's server went) gets one more start.
        e2e_alive "$E2E_WM_PID" && break
        wait "$E2E_WM_PID" 2>/dev/null
    done
    e2e_fail "openbox did not start on $DISPLAY: $(tail -n 3 "$E2E_DIR/openbox.log")"
}

# Weston with its X11 backend draws its output into one window of our Xvfb
# and takes that window's keyboard and pointer, so xdotool and screenshots
# reach the Wayland clients through it. A plain background and no panel leave
# only the client on screen; --debug lets the test ask weston where it put
# the window (e2e_weston_boxes).
E2E_WESTON_SIZE="1200x900"
e2e_start_weston() {
    command -v weston >/dev/null || e2e_fail "weston is not installed (scripts/bootstrap test installs it)"
    export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    printf '[core]\nidle-time=0\n[shell]\nbackground-color=0xffff00ff\nbackground-image=none\npanel-position=none\nlocking=false\nanimation=none\nclose-animation=none\nstartup-animation=none\n' \
        >"$E2E_DIR/weston.ini"
    weston --debug --config="$E2E_DIR/weston.ini" --backend=x11-backend.so --width="${E2E_WESTON_SIZE%x*}" \
        --height="${E2E_WESTON_SIZE#*x}" --socket=e2e-wayland >"$E2E_DIR/weston.log" 2>&1 &
    E2E_WESTON_PID=$!
    e2e_wait_for 30 test -S "$XDG_RUNTIME_DIR/e2e-wayland" || e2e_fail "weston did not start: $(tail -n 5 "$E2E_DIR/weston.log")"
    e2e_wait_for 30 grep -q "launching '.*weston-desktop-shell'" "$E2E_DIR/weston.log" || e2e_fail "weston's shell did not start"
    WAYLAND_DISPLAY=e2e-wayland
    export WAYLAND_DISPLAY
    # The keyboard goes to weston's output window whatever the pointer does,
    # and the pointer rests in the output's bottom-right corner, where only
    # a maximised window reaches.
    local output
    output=$(e2e_x xdotool search --sync --class '^Weston Compositor$' | head -n 1)
    [ -n "$output" ] || e2e_fail "weston's output window did not appear"
    e2e_x xdotool windowfocus "$output" mousemove "$((${E2E_WESTON_SIZE%x*} - 1))" "$((${E2E_WESTON_SIZE#*x} - 1))" >/dev/null 2>&1
}

# e2e_start_program PROGRAM DIR [ARGS...]
e2e_start_program() {
    local program dir=$2
    program=$(realpath "$1")
    [ -x "$program" ] || e2e_fail "not an executable program: $1"
    [ -d "$dir" ] || e2e_fail "no such directory: $dir"
    shift 2
    (cd "$dir" && exec "$program" "$@") >"$E2E_STDOUT" 2>"$E2E_STDERR" &
    E2E_PROGRAM_PID=$!
}

# What the X server and the program were doing, for a failure that is hard
# to reproduce: every window with our title, visible or not, and the
# program's threads.
e2e_diagnose() {
    echo "--- windows named \"$E2E_TITLE\": $(e2e_x xdotool search --name "^${E2E_TITLE}\$" 2>/dev/null | tr '\n' ' ')" >&2
    echo "--- wmctrl -l:" >&2
    e2e_x wmctrl -l >&2 2>/dev/null
    if command -v gdb >/dev/null 2>&1 && e2e_program_running; then
        echo "--- program threads:" >&2
        timeout 60 gdb -q -p "$E2E_PROGRAM_PID" -batch -ex "thread apply all bt 15" 2>/dev/null | grep -E '^(Thread|#)' >&2
    fi
    return 0
}

# The visible window with exactly our title, or nothing.
e2e_find_window() { e2e_x xdotool search --onlyvisible --name "^${E2E_TITLE}\$" 2>/dev/null | head -n 1; }

e2e_window_exists() { [ -n "$(e2e_find_window)" ]; }

# e2e_wait_window [SECONDS]: sets E2E_WINDOW and gives the window the keyboard.
e2e_wait_window() {
    local deadline=$(($(e2e_now_ms) + ${1:-30} * 1000))
    E2E_WINDOW=""
    while [ -z "$E2E_WINDOW" ]; do
        E2E_WINDOW=$(e2e_find_window)
        [ -n "$E2E_WINDOW" ] && break
        e2e_program_running || e2e_fail "the program ended before its window appeared"
        [ "$(e2e_now_ms)" -ge "$deadline" ] && { e2e_diagnose; e2e_fail "no window titled \"$E2E_TITLE\" within ${1:-30} s"; }
        sleep 0.1
    done
    if [ -n "$E2E_WM_PID" ]; then
        e2e_x xdotool windowactivate --sync "$E2E_WINDOW" >/dev/null 2>&1 || e2e_fail "could not give the window the focus"
    else  # no window manager to ask: the X focus itself
        e2e_x xdotool windowfocus --sync "$E2E_WINDOW" >/dev/null 2>&1 || e2e_fail "could not give the window the focus"
    fi
}

e2e_key_down() { e2e_x xdotool keydown --window "$E2E_WINDOW" "$1" || e2e_fail "xdotool keydown $1"; }
e2e_key_up() { e2e_x xdotool keyup --window "$E2E_WINDOW" "$1" || e2e_fail "xdotool keyup $1"; }

# The client area's size as "W H".
e2e_window_size() {
    e2e_x xdotool getwindowgeometry "$E2E_WINDOW" | sed -n 's/^ *Geometry: *\([0-9]*\)x\([0-9]*\).*/\1 \2/p'
}

e2e_size_is() { [ "$(e2e_window_size)" = "$1 $2" ]; }

# e2e_wait_size W H [SECONDS]
e2e_wait_size() {
    e2e_wait_for "${3:-10}" e2e_size_is "$1" "$2" || e2e_fail "window is $(e2e_window_size), not $1 $2"
}

e2e_resize() { e2e_x xdotool windowsize "$E2E_WINDOW" "$1" "$2" || e2e_fail "xdotool windowsize"; }
e2e_maximize() {
    e2e_x wmctrl -i -r "$E2E_WINDOW" -b add,maximized_vert,maximized_horz || e2e_fail "wmctrl maximise"
}
e2e_restore() {
    e2e_x wmctrl -i -r "$E2E_WINDOW" -b remove,maximized_vert,maximized_horz || e2e_fail "wmctrl restore"
}

e2e_window_shot() { e2e_x /usr/bin/import -window "$E2E_WINDOW" "$1" || e2e_fail "screenshot of the window failed"; }

e2e_file_settled() {
    local before after
    before=$(stat -c '%s %y' "$1" 2>/dev/null)
    sleep 0.3
    after=$(stat -c '%s %y' "$1" 2>/dev/null)
    E2E_SEEN="$1: $after"
    [ "$before" = "$after" ] && [ "${after%% *}" = "$2" ]
}

# e2e_screenshot FILE: the whole screen (the format follows FILE's extension).
e2e_screenshot() {
    if [ -x /usr/bin/import ]; then
        e2e_x /usr/bin/import -window root "$1" || e2e_fail "screenshot failed"
    else
        # shellcheck disable=SC2016 # $1 belongs to the inner shell
        e2e_x sh -c 'xwd -root -silent | /usr/bin/convert xwd:- "$1"' sh "$1" || e2e_fail "screenshot failed"
    fi
}

# e2e_count_near IMAGE COLOUR FUZZ [CROP]: pixels within FUZZ (e.g. 8%; 0 for
# exactly) of COLOUR, in the CROP geometry (WxH+X+Y) or the whole image.
e2e_count_near() {
    local crop=${4:+-crop $4 +repage}
    # shellcheck disable=SC2086 # crop is two words or none
    /usr/bin/convert "$1" $crop -fuzz "$3" -fill black +opaque "$2" -fill white -opaque "$2" \
        -format "%[fx:int(mean*w*h+0.5)]" info:
}

# Where weston shows our window, asked of weston itself (its debug
# protocol's scene graph), so that neither the pointer nor the scene's colours
# can move the box: the toplevel's view is the client area, the subsurface
# just above it with the same width is libdecor's title bar. Positions are on
# weston's output, whose X window is added as its offset on the screen.
e2e_weston_boxes() {
    local at
    at=$(e2e_x xdotool search --class '^Weston Compositor$' getwindowgeometry 2>/dev/null |
        sed -n 's/^ *Position: *\([0-9-]*\),\([0-9-]*\).*/\1 \2/p' | head -n 1)
    [ -n "$at" ] || return 1
    WAYLAND_DISPLAY=$WAYLAND_DISPLAY e2e_x weston-debug scene-graph 2>/dev/null |
        awk -v title="$E2E_TITLE" -v at="$at" '
        BEGIN { split(at, o, " ") }
        /^[ \t]*View / { top = index($0, "role xdg_toplevel") && index($0, "window \047" title "\047"); sub_ = index($0, "role wl_subsurface") }
        /position:/ {
            line = $0; gsub(/[(),]/, " ", line); sub(/->/, " ", line); split(line, p, " ")
            if (top) { cx0 = p[2]; cy0 = p[3]; cx1 = p[4]; cy1 = p[5]; found = 1 }
            else if (sub_) { n++; sx0[n] = p[2]; sy0[n] = p[3]; sx1[n] = p[4]; sy1[n] = p[5] }
        }
        END {
            if (!found) exit 1
            for (i = 1; i <= n; i++)
                if (sx0[i] == cx0 && sx1[i] == cx1 && sy1[i] == cy0) t = i
            if (!t) exit 1
            print cx1 - cx0, cy1 - cy0, cx0 + o[1], cy0 + o[2], sx1[t] - sx0[t], sy1[t] - sy0[t], sx0[t] + o[1], sy0[t] + o[2]
        }'
}

# The overlay, wherever it is drawn and in whatever typeface fontconfig
# chose for "Verdana": white statistics from (10, 10) down, the yellow legend
# from 65 pixels above the bottom edge. The boxes are wide and deep enough
# for any sans typeface at that size, and hold nothing else of those colours.
# e2e_overlay_ok IMAGE W H [X Y]
e2e_overlay_ok() {
    local image=$1 w=$2 h=$3 x=${4:-0} y=${5:-0} box white yellow
    box=$((w / 2))x80
    white=$(e2e_count_near "$image" "rgb(255,255,255)" "8%" "$box+$((x + 10))+$((y + 10))")
    yellow=$(e2e_count_near "$image" "rgb(230,240,20)" "8%" "$box+$((x + 10))+$((y + h - 65))")
    E2E_SEEN="$white white pixels of statistics text, $yellow yellow pixels of legend"
    [ "$white" -gt 150 ] && [ "$yellow" -gt 150 ]
}

# The scene behind it: no red clear colour showing, blue sky in the top third
# (the fixed forest leaves some in view), green terrain in the bottom quarter
# and brown trunks.
# e2e_scene_ok IMAGE W H [X Y]
e2e_scene_ok() {
    local image=$1 w=$2 h=$3 x=${4:-0} y=${5:-0} red sky terrain trunks seen
    red=$(e2e_count_near "$image" "rgb(255,0,0)" "0%" "${w}x$h+$x+$y")
    sky=$(e2e_count_near "$image" "rgb(90,150,230)" "25%" "${w}x$((h / 3))+$x+$y")
    terrain=$(e2e_count_near "$image" "rgb(70,105,35)" "12%" "${w}x$((h / 4))+$x+$((y + h * 3 / 4))")
    trunks=$(e2e_count_near "$image" "rgb(50,38,27)" "8%" "${w}x$h+$x+$y")
    seen="$red red, $sky sky, $terrain terrain, $trunks trunk pixels in ${w}x$h+$x+$y"
    e2e_overlay_ok "$image" "$w" "$h" "$x" "$y" || { E2E_SEEN="$seen; $E2E_SEEN"; return 1; }
    E2E_SEEN="$seen; $E2E_SEEN"
    [ "$red" -lt $((w * h / 100)) ] && [ "$sky" -gt 1000 ] && [ "$terrain" -gt $((w * h / 40)) ] && [ "$trunks" -gt 2000 ]
}

# e2e_view_changed A B W H [X Y]: pixels of the 3D view that differ between
# two screenshots, between the statistics text and the legend (the frame
# rate and the position change on their own).
e2e_view_changed() {
    local w=$3 h=$4 x=${5:-0} y=${6:-0}
    /usr/bin/convert "$1" "$2" -crop "${w}x$((h - 190))+$x+$((y + 100))" +repage \
        -compose difference -composite -threshold 10% -format "%[fx:int(mean*w*h+0.5)]" info:
}

# As a user does: the window manager asks the window to close. (Destroying the
# X window outright would be a crash for the program, not a close.)
e2e_close() {
    if [ -z "$E2E_WM_PID" ]; then
        [ -x "${OC_X11_CLOSE:-}" ] || e2e_fail "without a window manager, closing needs OC_X11_CLOSE (the x11-close helper)"
        e2e_x "$OC_X11_CLOSE" "$E2E_WINDOW" || e2e_fail "x11-close"
    elif [ -n "$E2E_WINDOW" ]; then
        e2e_x wmctrl -i -c "$E2E_WINDOW" || e2e_fail "wmctrl close"
    else
        e2e_x wmctrl -F -c "$E2E_TITLE" || e2e_fail "wmctrl close"
    fi
}

# e2e_wait_exit [SECONDS]: the program's exit code; 124 when it had to be killed.
e2e_wait_exit() {
    local code
    [ -n "$E2E_PROGRAM_PID" ] || e2e_fail "no program was started"
    if ! e2e_wait_for "${1:-20}" eval '! e2e_program_running'; then
        e2e_stop "$E2E_PROGRAM_PID"
        E2E_PROGRAM_PID=""
        return 124
    fi
    wait "$E2E_PROGRAM_PID"
    code=$?
    E2E_PROGRAM_PID=""
    return "$code"
}

# e2e_check_clean_exit CODE WHAT: the ending a user expects after WHAT.
e2e_check_clean_exit() {
    [ "$1" -ne 124 ] || e2e_fail "the program did not end after $2"
    e2e_check_no_crash "$1"
    if grep -qE "Assertion|Aborted|abort" "$E2E_STDERR" 2>/dev/null; then e2e_fail "the program aborted after $2"; fi
    [ "$1" -eq 0 ] || e2e_fail "the program exited with $1 after $2"
    return 0
}

# e2e_check_no_crash CODE: a signal or a sanitizer report is a crash.
e2e_check_no_crash() {
    [ "$1" -ge 128 ] && [ "$1" -ne 124 ] && e2e_fail "the program died of signal $(($1 - 128))"
    local reports='AddressSanitizer|LeakSanitizer|runtime error:|Segmentation fault|core dumped'
    if grep -qE "$reports" "$E2E_STDERR" 2>/dev/null; then
        e2e_fail "the program reported a crash"
    fi
    return 0
}
