#!/usr/bin/env bash
# The executable's identity as Windows reads it back: the version resource
# (U.S. English, Unicode), the manifest's version and the icon's three
# images.
# Usage: identity.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

# The one executable the build made, whatever it is named.
EXE=$(find "$E2E_BUILD/app" -maxdepth 1 -name '*.exe' | head -n 1)
e2e_require "$EXE" "$E2E_TOOLS/exeinfo.exe" || session_abort "the program and the tools are built"
session_start || session_abort

info=$("$WINE" "$E2E_TOOLS/exeinfo.exe" "$(winpath "$EXE")" 2>/dev/null | tr -d '\r')
field() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' <<<"$info"; }

check_eq "the file is named after the program" "Korvo Idle v2 by qel.exe" "${EXE##*/}"
check_eq "file version 1.0.0.0" "1.0.0.0" "$(field fixed-file-version)"
check_eq "product version 1.0.0.0" "1.0.0.0" "$(field fixed-product-version)"
check_eq "the manifest names the same version" "$(field fixed-file-version)" \
  "$(grep -aoP '<assemblyIdentity [^>]*\bversion="\K[0-9.]+' "$EXE")"
check_eq "one string table, U.S. English in Unicode" "040904b0" "$(field translation)"
check_eq "FileVersion" "1.00" "$(field FileVersion)"
check_eq "ProductVersion" "1.00" "$(field ProductVersion)"
check_eq "ProductName" "Korvo Idle v2 by qel" "$(field ProductName)"
check_eq "InternalName" "Korvo Idle v2 by qel" "$(field InternalName)"
check_eq "OriginalFilename" "Korvo Idle v2 by qel.exe" "$(field OriginalFilename)"
check "a CompanyName is given" test -n "$(field CompanyName)"
check_eq "one icon of three images" "3" "$(field icon-group-images)"
check_eq "the icon's images" "32x32 2 colours|32x32 16 colours|16x16 16 colours" \
  "$(field icon | paste -sd'|')"
e2e_finish
