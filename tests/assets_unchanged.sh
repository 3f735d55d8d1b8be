#!/bin/sh
# Regenerates the demo's meshes and textures and the program's icons into a
# scratch directory and checks that they match the committed Materials/ and
# packaging/icons/ byte for byte, so the committed assets are always exactly
# what tools/ produces.
#   usage: assets_unchanged.sh <make-materials-binary> <repo-root>
set -u
if [ $# -ne 2 ]; then
    echo "usage: $0 <make-materials-binary> <repo-root>" >&2
    exit 2
fi
generator=$1
root=$2
scratch=$(mktemp -d) || exit 2
trap 'rm -rf "$scratch"' EXIT

if ! "$generator" "$scratch/Materials" "$scratch/packaging/icons" >/dev/null; then
    echo "assets_unchanged: $generator failed" >&2
    exit 1
fi

status=0
# compare DIR: the committed DIR against the regenerated one.
compare() {
    for file in "$scratch/$1"/*; do
        name=$1/$(basename "$file")
        if [ ! -f "$root/$name" ]; then
            echo "assets_unchanged: $name is missing; regenerate with make-materials" >&2
            status=1
        elif ! cmp -s "$file" "$root/$name"; then
            echo "assets_unchanged: $name differs from what make-materials writes" >&2
            status=1
        fi
    done
    for file in "$root/$1"/*; do
        [ -e "$file" ] || continue
        name=$1/$(basename "$file")
        if [ ! -e "$scratch/$name" ]; then
            echo "assets_unchanged: $name is not written by make-materials" >&2
            status=1
        fi
    done
}
compare Materials
compare packaging/icons
exit $status
