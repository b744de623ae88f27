#!/usr/bin/env bash
# Two clean builds of the program from the same sources give the same bytes:
# each Windows build's executable, and one more build of it from a copy of
# the sources in another folder (with a space in its path), made later, with
# another SOURCE_DATE_EPOCH and time zone.
# Usage: reproducible.sh X86-BUILD-DIR X64-BUILD-DIR
# Prints "ok - ..." / "not ok - ..." per check; exits 1 when one fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
declare -A builds=([x86]=$1 [x64]=$2)
exe="app/Korvo Idle v2 by qel.exe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/tests/checks.sh"

# Copies the sources (without build output) to $1 and builds the program there.
build() {
    local src=$1 arch=$2
    local toolchain=cmake/mingw-w64-$([[ $arch == x86 ]] && echo i686 || echo x86_64).cmake
    mkdir -p "$src"
    tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$src" -xf -
    (cd "$src" && cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build build -j2 --target korvo >/dev/null)
}

same_hash() {
    local a b
    a=$(sha256sum <"$1" | cut -d' ' -f1)
    b=$(sha256sum <"$2" | cut -d' ' -f1)
    echo "# $a  $1"
    echo "# $b  $2"
    [[ $a == "$b" ]]
}

no_folder_names() {
    ! strings -a "$1" | grep -F -e "$work" -e "$root"
}

for arch in x86 x64; do
    first=${builds[$arch]}/$exe
    second="$work/$arch/the other one/src"
    if ! SOURCE_DATE_EPOCH=86400 TZ=Pacific/Kiritimati build "$second" "$arch"; then
        check "$arch: the second build succeeds" false
        continue
    fi
    check "$arch: both builds give the same bytes" same_hash "$first" "$second/build/$exe"
    check "$arch: no folder names in the executable" no_folder_names "$first"
done

checks_done
