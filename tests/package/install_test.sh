#!/usr/bin/env bash
# Installs the package check.sh built, starts the installed program the way
# its desktop entry does, from an empty directory under the test X server,
# sees it render and close with exit 0, then purges the package and checks
# that every file it installed is gone. It changes /usr, so it runs only as
# root (CI's throw-away machine) and never over an install already there;
# otherwise it reports why and exits 77, which CTest counts as skipped.
#   usage: install_test.sh BUILD_DIR
set -u
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
skip() { echo "SKIP: $*"; exit 77; }
command -v dpkg >/dev/null || skip "no dpkg on this machine"
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root; run as root on a throw-away machine"
# A run that was killed after installing leaves this mark; its install is
# removed, anyone else's is left alone.
mark="$1/installed-by-test"
if [ -e "$mark" ] && dpkg-query -W occlusion-culling >/dev/null 2>&1; then
    echo "removing the package an interrupted run installed"
    dpkg --purge occlusion-culling >/dev/null || { echo "FAIL: dpkg --purge occlusion-culling failed" >&2; exit 1; }
fi
rm -f "$mark"
if dpkg-query -W -f='${Status}' occlusion-culling 2>/dev/null | grep -q "ok installed"; then
    skip "occlusion-culling is already installed here; the test would remove it"
fi
debs=("$1"/occlusion-culling_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one package in $1: ${debs[*]}" >&2; exit 1; }
deb=$(realpath "${debs[0]}")
# shellcheck source=../e2e/lib.sh
. "$(dirname "$0")/../e2e/lib.sh"
command -v faketime >/dev/null || e2e_fail "faketime is not installed (scripts/bootstrap test installs it)"
id=com.example.occlusion_culling

# Files and folders the package would add, so that purging can be checked
# against what was there before.
dpkg-deb -c "$deb" | sed 's/^.* \.\(\/[^ ]*\).*$/\1/; s/\/$//' | grep -v '^$' >"$E2E_DIR/contents"
while read -r path; do
    [ -e "$path" ] || echo "$path"
done <"$E2E_DIR/contents" >"$E2E_DIR/new"

installed=""
purge() {
    [ -n "$installed" ] || return 0
    installed=""
    dpkg --purge occlusion-culling >"$E2E_DIR/purge.log" 2>&1 || { cat "$E2E_DIR/purge.log" >&2; return 1; }
    rm -f "$mark"
}
trap 'e2e_cleanup; purge' EXIT

installed=yes
touch "$mark"
dpkg -i "$deb" >"$E2E_DIR/install.log" 2>&1 || { cat "$E2E_DIR/install.log" >&2; e2e_fail "dpkg -i $deb failed"; }
dpkg -L occlusion-culling >"$E2E_DIR/listed" || e2e_fail "dpkg -L occlusion-culling failed"
grep -qx /usr/bin/occlusion-culling "$E2E_DIR/listed" || e2e_fail "dpkg -L does not list /usr/bin/occlusion-culling"

# The command the desktop entry runs, found on PATH as a launcher finds it.
entry=/usr/share/applications/$id.desktop
command=$(sed -n 's/^Exec=//p' "$entry")
[ "$(command -v "$command")" = /usr/bin/occlusion-culling ] || e2e_fail "$entry runs '$command', not the installed program"

e2e_start_display
empty="$E2E_DIR/empty"
mkdir "$empty"
# The same forest every run (the trees are placed from the clock), as in scene_test.
launch="$E2E_DIR/launch"
printf '#!/bin/sh\nFAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f "2026-12-06 12:00:00" %s\n' "$command" >"$launch"
chmod +x "$launch"
e2e_start_program "$launch" "$empty"
e2e_wait_window 60
sleep 2
e2e_x /usr/bin/import -window "$E2E_WINDOW" "$E2E_DIR/shot.png" || e2e_fail "screenshot of the window failed"
read -r width height < <(e2e_window_size)
total=$((width * height))
red=$(e2e_count_near "$E2E_DIR/shot.png" "rgb(255,0,0)" 0)
[ "$red" -lt $((total / 100)) ] || e2e_fail "$red of $total pixels show the red clear colour"
sky=$(e2e_count_near "$E2E_DIR/shot.png" "rgb(90,150,230)" "25%" "${width}x$((height / 3))+0+0")
[ "$sky" -gt 1000 ] || e2e_fail "no blue sky in the top third ($sky pixels): were the installed Materials read?"
white=$(e2e_count_near "$E2E_DIR/shot.png" "rgb(255,255,255)" "8%" "220x60+0+0")
[ "$white" -gt 150 ] || e2e_fail "no white statistics text at the top left ($white pixels)"
e2e_close
e2e_wait_exit 30
code=$?
e2e_check_no_crash "$code"
[ "$code" -eq 0 ] || e2e_fail "the installed program exited with $code after closing its window"
[ -z "$(ls -A "$empty")" ] || e2e_fail "the program left files in its working directory: $(ls -A "$empty")"

# The lab, as its desktop entry starts it, from the same empty directory:
# it finds the installed Materials and draws its first frame.
lab_entry=/usr/share/applications/$id.lab.desktop
lab=$(sed -n 's/^Exec=//p' "$lab_entry")
[ "$(command -v "$lab")" = /usr/bin/occlusion-lab ] || e2e_fail "$lab_entry runs '$lab', not the installed lab"
E2E_TITLE="Occlusion Lab"
e2e_start_program "$(command -v "$lab")" "$empty"
e2e_wait_window 120
e2e_wait_for 120 grep -qx "trees: 300" "$E2E_STDOUT" || e2e_fail "the installed lab drew no first frame"
e2e_x /usr/bin/import -window "$E2E_WINDOW" "$E2E_DIR/lab.png" || e2e_fail "screenshot of the lab failed"
lab_sky=$(e2e_count_near "$E2E_DIR/lab.png" "rgb(90,150,230)" "25%" "600x200+0+0")
[ "$lab_sky" -gt 1000 ] || e2e_fail "no blue sky in the lab's scene ($lab_sky pixels)"
e2e_close
e2e_wait_exit 30
e2e_check_clean_exit $? "closing the installed lab"
[ -z "$(ls -A "$empty")" ] || e2e_fail "the lab left files in its working directory: $(ls -A "$empty")"

purge || e2e_fail "dpkg --purge occlusion-culling failed"
! dpkg-query -W -f='${Status}' occlusion-culling 2>/dev/null | grep -q "installed" ||
    e2e_fail "occlusion-culling is still installed after dpkg --purge"
left=$(while read -r path; do [ -e "$path" ] && echo "$path"; done <"$E2E_DIR/new")
[ -z "$left" ] || e2e_fail "left behind after dpkg --purge: $left"
while read -r path; do
    [ -d "$path" ] || [ ! -e "$path" ] || e2e_fail "dpkg -L listed $path, still there after dpkg --purge"
done <"$E2E_DIR/listed"
echo "PASS: installed, started from an empty directory ($sky sky pixels), closed with 0, purged"
