#!/usr/bin/env bash
# The release zip: made twice, it is the same bytes; unpacked, it holds
# exactly both executables (each the build's own, for its architecture), the
# read-me with Windows line endings, and SHA256SUMS, whose hashes hold.
# Usage: dist.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
x86=$1 x64=$2
. "$root/tests/checks.sh"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
exe="Korvo Idle v2 by qel.exe"

zip1=$("$root/scripts/dist.sh" "$x86" "$x64" "$tmp/a") || { check "the release is made" false; checks_done; }
# Another run, later, in another time zone and with another umask, must give
# the same bytes, every entry dated at the last commit.
zip2=$(umask 077; TZ=Pacific/Kiritimati "$root/scripts/dist.sh" "$x86" "$x64" "$tmp/b")
stamp=$(TZ=UTC date -d "@$(git -C "$root" log -1 --format=%ct)" +%Y%m%d.%H%M)
check "the zip is reproducible" cmp -s "$zip1" "$zip2"
check_eq "every entry is dated at the last commit" "$stamp" \
  "$(TZ=UTC zipinfo -T "$zip1" | awk '/^-/ { print substr($7, 1, 13) }' | sort -u)"
check "its published hash holds" bash -c 'cd "$(dirname "$1")" && sha256sum --quiet -c "${1##*/}.sha256"' _ "$zip1"

name=$(basename "$zip1" .zip)
check_eq "it is named after the version" "korvo-idle-v2-$(<"$x86/app/version.txt")" "$name"
check_eq "it holds the read-me, the sums and both executables, nothing else" \
  "$name/README.txt|$name/SHA256SUMS|$name/x64/$exe|$name/x86/$exe" \
  "$(unzip -Z1 "$zip1" | LC_ALL=C sort | paste -sd'|')"
unzip -q "$zip1" -d "$tmp/u"
dir=$tmp/u/$name
check "SHA256SUMS covers every other file, and the hashes hold" \
  bash -c 'cd "$1" && [[ $(cut -d" " -f3- SHA256SUMS | sort | paste -sd"|") == "$(find . -type f ! -name SHA256SUMS -printf "%P\n" | sort | paste -sd"|")" ]] && sha256sum --quiet -c SHA256SUMS' _ "$dir"
check "the read-me ends every line with CR LF" bash -c '! grep -qv $'"'"'\r$'"'"' "$1" && [[ $(tail -c 2 "$1" | od -An -tx1 | tr -d " ") == 0d0a ]]' _ "$dir/README.txt"
check "the read-me names both executables" bash -c 'grep -qF "x86\\$2" "$1" && grep -qF "x64\\$2" "$1"' _ "$dir/README.txt" "$exe"
check "the x86 executable is the 32-bit build's" cmp -s "$dir/x86/$exe" "$x86/app/$exe"
check "the x64 executable is the 64-bit build's" cmp -s "$dir/x64/$exe" "$x64/app/$exe"
check "each is for its architecture" bash -c 'objdump -f "$1" | grep -q "pei-i386$" && objdump -f "$2" | grep -q "pei-x86-64$"' _ "$dir/x86/$exe" "$dir/x64/$exe"

checks_done
