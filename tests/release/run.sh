#!/usr/bin/env bash
# The release checks, none of which needs Wine: the shipped executables'
# headers and imports, two builds giving the same bytes, and the release zip.
# Adds up their results.
# Usage: run.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tally.sh"
exe="app/Korvo Idle v2 by qel.exe"

echo "# flags.sh"
tally flags.sh bash "$here/flags.sh" "$1" "$2"
echo "# pe_check.sh"
tally pe_check.sh bash "$here/pe_check.sh" "$1/$exe" "$2/$exe"
echo "# reproducible.sh"
tally reproducible.sh bash "$here/reproducible.sh" x86 x64
echo "# dist.sh"
tally dist.sh bash "$here/dist.sh" "$1" "$2"
tally_finish
