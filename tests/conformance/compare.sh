#!/usr/bin/env bash
# Runs the conformance program on this project's layer and compares its
# output, line by line, with the reference read from an independent
# Direct3D 9 implementation (reference.txt), where Direct3D 9 on Windows
# is known to differ from it, with the line of windows.txt instead.
# Lines are identical, except the D3DX math ("math_" lines): each number
# there may differ from the reference by a few units in the last place, as
# two correct single-precision implementations do (REFERENCE.md says why).
#
# usage: compare.sh CONFORMANCE_PROGRAM CONFORMANCE_SOURCE_DIR
set -u
program=$1
here=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$program" "$work" >"$work/out.txt" 2>"$work/err.txt" || { cat "$work/err.txt" >&2; echo "conformance program failed" >&2; exit 1; }
awk 'FNR == NR { if ($0 !~ /^#/ && NF) windows[$1] = $0; next }
     { print ($1 in windows) ? windows[$1] : $0 }' "$here/windows.txt" "$here/reference.txt" >"$work/expected.txt"

# Prints the lines that differ and the largest difference of a math number
# in units in the last place of a float; fails when any line differs.
awk -v limit=8 '
function ulps(a, b,   m, e) {
    if (a == b) return 0
    m = (a < 0 ? -a : a) > (b < 0 ? -b : b) ? (a < 0 ? -a : a) : (b < 0 ? -b : b)
    if (m < 1e-30) return 0
    e = int(log(m) / log(2)); if (2 ^ e > m) e--; if (2 ^ (e + 1) <= m) e++
    return (a > b ? a - b : b - a) / 2 ^ (e - 23)
}
FNR == NR { expected[FNR] = $0; count = FNR; next }
{
    if (FNR > count) { print "+" $0; bad = 1; next }
    line = expected[FNR]
    if (line == $0) next
    wanted = split(line, want, " "); n = split($0, got, " ")
    same = $1 ~ /^math_/ && want[1] == got[1] && wanted == n
    for (i = 2; same && i <= n; ++i) { d = ulps(want[i] + 0, got[i] + 0); if (d > limit) same = 0; if (d > worst) worst = d }
    if (!same) { print "-" line; print "+" $0; bad = 1 }
}
END {
    if (FNR < count) { print "the layer printed " FNR " lines, the reference has " count; bad = 1 }
    printf "largest math difference: %.0f units in the last place (limit %d)\n", worst, limit
    exit bad
}' "$work/expected.txt" "$work/out.txt" || { echo "FAIL: the layer differs from the reference in the lines above" >&2; exit 1; }
echo "PASS: $(wc -l <"$work/out.txt") lines agree with the reference"
