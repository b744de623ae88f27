#!/usr/bin/env bash
# Checks that an executable imports only DLLs that ship with Windows, so it
# runs on a bare system: no libgcc_s, libstdc++ or libwinpthread beside it.
# Usage: check_exe.sh PATH-TO-EXE
# Prints every imported DLL; exits 1 on a foreign one, 2 on a usage error.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 PATH-TO-EXE" >&2
    exit 2
fi
exe=$1
[[ -f $exe ]] || { echo "no such file: $exe" >&2; exit 2; }

objdump=
for candidate in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump objdump; do
    if command -v "$candidate" >/dev/null; then objdump=$candidate; break; fi
done
[[ -n $objdump ]] || { echo "no objdump found" >&2; exit 2; }

dump=$("$objdump" -p "$exe") || { echo "$objdump cannot read $exe" >&2; exit 2; }
mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$dump" | tr -d '\r')
if [[ ${#dlls[@]} -eq 0 ]]; then
    echo "no import table found in $exe" >&2
    exit 1
fi

foreign=0
for dll in "${dlls[@]}"; do
    lower=${dll,,}
    case $lower in
        kernel32.dll | user32.dll | gdi32.dll | ole32.dll | oleaut32.dll | windowscodecs.dll | \
            comctl32.dll | msvcrt.dll | advapi32.dll | shell32.dll | uxtheme.dll | api-ms-win-*.dll)
            echo "ok       $dll" ;;
        *)
            echo "FOREIGN  $dll"
            foreign=1 ;;
    esac
done

if [[ $foreign -ne 0 ]]; then
    echo "$exe needs DLLs that do not ship with Windows" >&2
    exit 1
fi
echo "$exe imports only Windows DLLs"
