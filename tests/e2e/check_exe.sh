#!/usr/bin/env bash
# Checks that an executable is built for the given architecture and imports
# only DLLs that ship with Windows, so it runs on a bare system: no libgcc_s,
# libstdc++ or libwinpthread beside it.
# Usage: check_exe.sh x86|x64 PATH-TO-EXE
# Prints every imported DLL; exits 1 on a wrong file or a foreign DLL, 2 on a
# usage error.
set -euo pipefail

if [[ $# -ne 2 || ! $1 =~ ^(x86|x64)$ ]]; then
    echo "usage: $0 x86|x64 PATH-TO-EXE" >&2
    exit 2
fi
declare -A format=([x86]=pei-i386 [x64]=pei-x86-64)
exe=$2
[[ -f $exe ]] || { echo "no such file: $exe" >&2; exit 2; }

# NOTE: the host's objdump reads 32- and 64-bit PE files; the mingw ones
# read only their own kind.
header=$(objdump -f "$exe") || { echo "objdump cannot read $exe" >&2; exit 1; }
if ! grep -q "file format ${format[$1]}\$" <<<"$header"; then
    echo "$exe is not a $1 executable: $(grep -o 'file format .*' <<<"$header")" >&2
    exit 1
fi

mapfile -t dlls < <(objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r')
if [[ ${#dlls[@]} -eq 0 ]]; then
    echo "no import table found in $exe" >&2
    exit 1
fi

foreign=0
for dll in "${dlls[@]}"; do
    case ${dll,,} in
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
