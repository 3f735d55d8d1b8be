#!/usr/bin/env bash
# Builds the Debian package (scripts/package) and checks it with the tools a
# distribution uses: lintian, desktop-file-validate and appstreamcli on the
# files the package holds; then that it holds what a user's install needs
# and that its dependencies were computed from the binary.
#   usage: check.sh REPO_ROOT BUILD_DIR
set -u
[ $# -eq 2 ] || { echo "usage: $0 REPO_ROOT BUILD_DIR" >&2; exit 2; }
root=$(realpath "$1")
build=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in lintian desktop-file-validate appstreamcli dpkg-deb; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/bootstrap test installs it)"
done

deb=$("$root/scripts/package" "$build" | tail -n 1) || fail "scripts/package failed"
[ -f "$deb" ] || fail "scripts/package named no .deb: $deb"
scratch=$(mktemp -d) || exit 2
trap 'rm -rf "$scratch"' EXIT

# Errors and warnings fail; informational tags are shown.
lintian --fail-on error,warning --display-info "$deb" >"$scratch/lintian" 2>&1 ||
    { cat "$scratch/lintian" >&2; fail "lintian found errors or warnings"; }
cat "$scratch/lintian"

dpkg-deb -x "$deb" "$scratch/root" || fail "dpkg-deb cannot unpack $deb"
id=com.example.occlusion_culling
share=$scratch/root/usr/share
required=(
    usr/bin/occlusion-culling
    usr/bin/occlusion-lab
    "usr/share/applications/$id.desktop"
    "usr/share/applications/$id.lab.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    usr/share/man/man1/occlusion-culling.1.gz
    usr/share/man/man1/occlusion-lab.1.gz
    usr/share/doc/occlusion-culling/copyright
    usr/share/doc/occlusion-culling/changelog.gz
)
for size in 16 32 48 64 128 256; do
    required+=("usr/share/icons/hicolor/${size}x$size/apps/occlusion-culling.png")
done
for path in "${required[@]}"; do
    [ -s "$scratch/root/$path" ] || fail "the package has no $path"
done
for size in 16 32 48 64 128 256; do
    actual=$(/usr/bin/identify -format "%wx%h" "$share/icons/hicolor/${size}x$size/apps/occlusion-culling.png")
    [ "$actual" = "${size}x$size" ] || fail "the ${size}x$size icon is $actual"
done
for file in "$root"/Materials/*; do
    cmp -s "$file" "$share/occlusion-culling/Materials/$(basename "$file")" ||
        fail "the package's Materials/$(basename "$file") differs from the tree's"
done

# Each desktop entry is valid and starts its own program.
for entry in "$id.desktop occlusion-culling" "$id.lab.desktop occlusion-lab"; do
    file=$share/applications/${entry% *}
    report=$(desktop-file-validate "$file" 2>&1) || fail "desktop-file-validate: $report"
    [ -z "$report" ] || fail "desktop-file-validate: $report"
    exec=$(sed -n 's/^Exec=//p' "$file")
    [ "$exec" = "${entry#* }" ] || fail "${entry% *} starts '$exec', not ${entry#* }"
done
report=$(appstreamcli validate --no-net --pedantic "$share/metainfo/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $report"
if grep -qE '^[EWIP]: ' <<<"$report"; then fail "appstreamcli validate: $report"; fi

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2-2.0-0 libepoxy0 libfreetype6 libfontconfig1 zlib1g; do
    grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
echo "PASS: $(basename "$deb") (Depends: $depends)"
