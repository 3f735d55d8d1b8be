#!/bin/sh
# Regenerates the demo's meshes and textures into a scratch directory and
# checks that they match the committed Materials/ byte for byte, so the
# committed assets are always exactly what tools/ produces.
#   usage: assets_unchanged.sh <make-materials-binary> <repo-root>
set -u
if [ $# -ne 2 ]; then
    echo "usage: $0 <make-materials-binary> <repo-root>" >&2
    exit 2
fi
generator=$1
committed=$2/Materials
scratch=$(mktemp -d) || exit 2
trap 'rm -rf "$scratch"' EXIT

if ! "$generator" "$scratch" >/dev/null; then
    echo "assets_unchanged: $generator failed" >&2
    exit 1
fi

status=0
for file in "$scratch"/*; do
    name=$(basename "$file")
    if [ ! -f "$committed/$name" ]; then
        echo "assets_unchanged: Materials/$name is missing; regenerate with make-materials" >&2
        status=1
    elif ! cmp -s "$file" "$committed/$name"; then
        echo "assets_unchanged: Materials/$name differs from what make-materials writes" >&2
        status=1
    fi
done
for file in "$committed"/*; do
    [ -e "$file" ] || continue
    name=$(basename "$file")
    if [ ! -e "$scratch/$name" ]; then
        echo "assets_unchanged: Materials/$name is not written by make-materials" >&2
        status=1
    fi
done
exit $status
