#!/usr/bin/env bash
# Runs the conformance program on this project's layer and compares its
# output, line by line, with the reference read from an independent
# Direct3D 9 implementation (reference.txt).
#
# usage: compare.sh CONFORMANCE_PROGRAM CONFORMANCE_SOURCE_DIR
set -u
program=$1
here=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$program" "$work" >"$work/out.txt" 2>"$work/err.txt" || { cat "$work/err.txt" >&2; echo "conformance program failed" >&2; exit 1; }
if ! diff -u "$here/reference.txt" "$work/out.txt"; then
    echo "FAIL: the layer differs from the reference in the lines above" >&2
    exit 1
fi
echo "PASS: $(wc -l <"$work/out.txt") lines identical to the reference"
