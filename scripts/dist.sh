#!/usr/bin/env bash
# Makes the release: DIST-DIR/korvo-idle-v2-VERSION.zip with both executables,
# a plain-text read-me with Windows line endings and SHA256SUMS, and beside it
# the zip's own SHA-256. The zip is reproducible: fixed order, every time set
# to the last commit's (or SOURCE_DATE_EPOCH), no owners or extra fields.
# Usage: dist.sh X86-BUILD-DIR X64-BUILD-DIR [DIST-DIR]   (default dist/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -ge 2 ]] || { echo "usage: $0 X86-BUILD-DIR X64-BUILD-DIR [DIST-DIR]" >&2; exit 2; }
x86=$1 x64=$2
mkdir -p "${3:-$root/dist}"
out=$(cd "${3:-$root/dist}" && pwd)
exe="Korvo Idle v2 by qel.exe"

version=$(<"$x86/app/version.txt")
[[ $version == "$(<"$x64/app/version.txt")" ]] || { echo "the two builds have different versions" >&2; exit 1; }
name=korvo-idle-v2-$version
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/$name
mkdir -p "$dir/x86" "$dir/x64"
install -m 0755 "$x86/app/$exe" "$dir/x86/$exe"
install -m 0755 "$x64/app/$exe" "$dir/x64/$exe"
sed "s/@VERSION@/$version/; s/\$/\r/" "$root/docs/README.txt" >"$dir/README.txt"
(cd "$dir" && sha256sum README.txt "x86/$exe" "x64/$exe" >SHA256SUMS)
chmod 0644 "$dir/README.txt" "$dir/SHA256SUMS"
# NOTE: a zip dates its entries in steps of 2 s and rounds an odd second up;
# the even second at or before the commit keeps them from postdating it.
find "$dir" -exec touch -h -d "@$(( epoch - epoch % 2 ))" {} +

rm -f "$out/$name.zip"
# NOTE: zip stores local times: pin the zone, or the bytes depend on it.
(cd "$stage" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q "$out/$name.zip" -@)
(cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
echo "$out/$name.zip"
