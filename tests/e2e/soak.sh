#!/usr/bin/env bash
# A randomized soak of the real program (meant for a sanitizer build) under a
# test X server: a seeded stream of key presses and releases (every letter,
# M held over many frames, Alt and Ctrl combinations), resizes, maximise,
# minimise, restore and focus changes. It must keep rendering (the camera
# keys change what the window shows), keep its resident size flat after
# warm-up, write a valid buffer.bmp whenever M is held, and exit 0 without a
# sanitizer report when closed. The same seed replays the same stream.
#
# usage: soak.sh PROGRAM REPO_ROOT SECONDS [SEED]
set -u
[ $# -ge 3 ] || { echo "usage: $0 PROGRAM REPO_ROOT SECONDS [SEED]" >&2; exit 2; }
program=$(realpath "$1")
root=$(realpath "$2")
seconds=$3
seed=${4:-$(($(date +%s) % 32768))}
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
convert=/usr/bin/convert
# A small quarantine, so that resident size follows what the program holds.
export ASAN_OPTIONS="$ASAN_OPTIONS:quarantine_size_mb=16"
echo "soak: seed $seed, $seconds s (the same seed replays the same input)"
RANDOM=$seed
# No command substitution around RANDOM: a subshell would not advance it.
pick() { R=$((RANDOM % $1)); }
pause() {  # $1 to $1 + 29 hundredths of a second
    local n=$((RANDOM % 30 + $1))
    sleep "$((n / 100)).$((n / 10 % 10))$((n % 10))"
}

e2e_start_display
work="$E2E_DIR/work"
mkdir -p "$work"
ln -s "$root/Materials" "$work/Materials"
OC_FRAME_REPORT=1 e2e_start_program "$program" "$work"
e2e_wait_window 120
# Another window to take the focus. The window manager focuses it when it
# appears, so the stream starts only once it has, with the focus given back.
xlogo -geometry 200x150+1000+800 >/dev/null 2>&1 &
other=$!
e2e_wait_for 30 eval 'e2e_x xdotool search --onlyvisible --class xlogo | grep -q .' || e2e_fail "xlogo did not appear"

resident_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$E2E_PROGRAM_PID/status" 2>/dev/null; }
# Pixels that differ between two shots in the statistics text.
changed_text() {
    $convert "$1" "$2" -crop "400x90+0+0" +repage -compose difference -composite \
        -threshold 10% -format "%[fx:int(mean*w*h+0.5)]" info:
}
focus_window() { e2e_x xdotool windowactivate --sync "$E2E_WINDOW" >/dev/null 2>&1 || e2e_fail "cannot focus the window"; }

# Holds M until a buffer.bmp appears, and over more frames; once released
# and settled it must be a complete 320 x 240 32-bit bitmap.
buffer_written() { E2E_SEEN="no buffer.bmp (seed $seed)"; test -s "$work/buffer.bmp"; }
hold_m() {
    rm -f "$work/buffer.bmp"
    # The keys go to the focused window; a resize or restore just before may
    # have left the window manager's focus elsewhere for a moment.
    focus_window
    if ! e2e_hold_until_ok m 30 buffer_written; then
        e2e_window_shot "$E2E_DIR/stuck1.png"
        sleep 2
        e2e_window_shot "$E2E_DIR/stuck2.png"
        e2e_fail "holding M wrote no buffer.bmp in 30 s (seed $seed; the focus is on" \
            "$(e2e_x xdotool getwindowfocus), the window is $E2E_WINDOW, $(e2e_window_size | tr ' ' x);" \
            "in 2 s the view changed $($convert "$E2E_DIR/stuck1.png" "$E2E_DIR/stuck2.png" -compose difference \
                -composite -threshold 1% -format "%[fx:int(mean*w*h+0.5)]" info:) pixels)"
    fi
    e2e_key_down m  # over more frames
    pause 100
    e2e_key_up m
    e2e_until 10 "a complete buffer.bmp that stops changing" e2e_file_settled "$work/buffer.bmp" 307254
    local size
    size=$(/usr/bin/identify -format "%m %wx%h" "$work/buffer.bmp" 2>/dev/null)
    [ "$size" = "BMP 320x240" ] || [ "$size" = "BMP3 320x240" ] || e2e_fail "buffer.bmp is not a 320 x 240 bitmap: '$size'"
}

# At a known size: standing still the view stays; turning or tilting
# changes it. The random flight may have left the camera beyond the sky,
# where only the position in the statistics text changes, by flying.
# shot_changed A B: takes shot B; CHANGED: the pixels of the view changed since shot A.
shot_changed() {
    e2e_window_shot "$E2E_DIR/$2.png"
    CHANGED=$(e2e_view_changed "$E2E_DIR/$1.png" "$E2E_DIR/$2.png" 800 600)
}
still() {
    e2e_window_shot "$E2E_DIR/still1.png"
    sleep 0.5
    shot_changed still1 still2
    E2E_SEEN="$CHANGED pixels of the view changed in 0.5 s (seed $seed)"
    [ "$CHANGED" -lt $((800 * 600 / 50)) ]
}
view_changed() {
    shot_changed still2 turned
    E2E_SEEN="$CHANGED pixels of the view changed (seed $seed)"
    [ "$CHANGED" -gt $((800 * 600 / 20)) ]
}
text_changed() {
    e2e_window_shot "$E2E_DIR/flown.png"
    local n
    n=$(changed_text "$E2E_DIR/still2.png" "$E2E_DIR/flown.png")
    E2E_SEEN="$n pixels of the statistics text changed (seed $seed)"
    [ "$n" -gt 20 ]
}
check_rendering() {
    e2e_restore
    focus_window
    e2e_wait_for 10 e2e_window_exists || e2e_fail "the window did not come back"
    e2e_resize 800 600
    e2e_wait_size 800 600 20
    e2e_until 30 "the view standing still" still
    e2e_hold_until_ok j 15 view_changed || e2e_hold_until_ok k 15 view_changed || e2e_hold_until_ok w 15 text_changed ||
        e2e_fail "neither turning, tilting nor flying changed the window; last seen: $E2E_SEEN"
    renders=$((renders + 1))
}

focus_window
letters=(a b c d e f g h i j k l m n o p q r s t u v w x y z)
moves=(w a s d j l i k)
start=$(e2e_now_ms)
deadline=$((start + seconds * 1000))
warm_at=$((start + seconds * 1000 / 3))
warm=""
peak=0
actions=0 renders=0 holds=0
next_render=$((start + 5000))
while [ "$(e2e_now_ms)" -lt "$deadline" ]; do
    e2e_program_running || e2e_fail "the program ended during the soak (seed $seed)"
    pick 12
    case $R in
        0 | 1 | 2) pick 26; key=${letters[$R]}; last="tap $key"; e2e_key_down "$key"; pause 2; e2e_key_up "$key" ;;
        3 | 4) pick 8; key=${moves[$R]}; last="hold $key"; e2e_key_down "$key"; pause 30; e2e_key_up "$key" ;;
        5) last="hold m"; hold_m; holds=$((holds + 1)) ;;
        6)
            mods=(alt ctrl ctrl+alt)
            pick 3; mod=${mods[$R]}
            pick 26; last="$mod+${letters[$R]}"
            e2e_x xdotool key --window "$E2E_WINDOW" "$last"
            ;;
        7) pick 1000; w=$((200 + R)); pick 750; h=$((150 + R)); last="resize $w $h"; e2e_resize "$w" "$h"; pause 10 ;;
        8) last="maximise, restore"; e2e_maximize; pause 20; e2e_restore ;;
        9) last="minimise, restore"; e2e_x xdotool windowminimize --sync "$E2E_WINDOW" >/dev/null 2>&1; pause 20; focus_window ;;
        10) last="focus away and back"; e2e_x wmctrl -a xlogo >/dev/null 2>&1; pause 20; focus_window ;;
        11) last="wait"; pause 0 ;;
    esac
    actions=$((actions + 1))
    now=$(e2e_now_ms)
    echo "soak: $(((now - start) / 1000)) s: ${last:-}"
    if [ "$now" -ge "$next_render" ]; then
        check_rendering
        next_render=$((now + 20000))
    fi
    kb=$(resident_kb)
    if [ -n "$kb" ] && [ "$now" -ge "$warm_at" ]; then
        [ -n "$warm" ] || warm=$kb
        [ "$kb" -gt "$peak" ] && peak=$kb
    fi
done
check_rendering
[ "$holds" -gt 0 ] || hold_m
end_kb=$(resident_kb)
echo "soak: $actions actions, $holds M holds, $renders rendering checks; resident $warm kB after warm-up, at most $peak kB, $end_kb kB at the end"
# Flat: the driver's caches and back buffers of changing sizes move it by
# some MiB; a resource lost each frame or each resize would add far more.
[ -n "$warm" ] && [ $((peak - warm)) -le 65536 ] || e2e_fail "resident size grew from $warm to $peak kB after warm-up"
e2e_stop "$other"
e2e_close
e2e_wait_exit 60
code=$?
e2e_check_no_crash "$code"
[ "$code" -eq 0 ] || e2e_fail "the program exited with $code after closing its window (seed $seed)"
grep -q "OpenGL error" "$E2E_STDERR" && e2e_fail "the driver reported OpenGL errors (seed $seed)"
echo "soak: $(grep -m1 'frames presented' "$E2E_STDERR")"
echo "PASS: soak (seed $seed)"
