#!/usr/bin/env bash
# The shipped executables' headers, sections and imports: address space
# layout randomization and DEP, relocations, no writable code, only Windows'
# own DLLs and only the functions on the list below, the stack protector,
# and the size budget.
# The 32-bit build runs on Windows XP SP3: it imports only functions that XP
# SP3 has (xp-sp3-imports.txt), and its header asks for no later Windows.
# Usage: pe_check.sh [EXE...]   (default: the x86 and x64 release builds)
# The stack protector is checked against korvo.map, the link map beside
# each executable. Prints "ok - ..." / "not ok - ..."; exits 1 on a failure.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
exes=("$@")
if [[ ${#exes[@]} -eq 0 ]]; then
    exes=("$root/build/win-x86/app/Korvo Idle v2 by qel.exe"
          "$root/build/win-x64/app/Korvo Idle v2 by qel.exe")
fi

budget=1048576  # bytes, for either build

# The functions the program calls itself, each in Windows' own DLL.
program_imports='
GDI32.DLL BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateDIBSection CreateFontIndirectW
  DeleteDC DeleteObject EnumFontFamiliesExW GetDIBits GetObjectW SelectObject SetBkMode
  SetDIBitsToDevice SetTextColor
KERNEL32.DLL ExitProcess FindResourceW FormatMessageW GetCurrentProcess GetCurrentProcessId
  GetCurrentThreadId GetLastError GetLocalTime GetModuleHandleW GetProcAddress GetSystemDirectoryW
  GetTickCount LoadLibraryW LoadResource LockResource MultiByteToWideChar OutputDebugStringA
  QueryPerformanceCounter QueryPerformanceFrequency SizeofResource TerminateProcess WideCharToMultiByte
MSVCRT.DLL abort memcmp memmove strncmp towlower wcslen
USER32.DLL BeginPaint CreateWindowExW DefWindowProcW DestroyWindow DispatchMessageW DrawTextW
  EndPaint FillRect FindWindowA FindWindowExA GetActiveWindow GetClientRect GetCursorPos GetDC
  GetMessageW GetSysColor GetSysColorBrush GetSystemMetrics GetWindowLongPtrW GetWindowLongW
  GetWindowRect GetWindowTextLengthW GetWindowTextW InvalidateRect IsIconic IsWindowVisible
  KillTimer LoadCursorW LoadImageW MessageBoxW MsgWaitForMultipleObjectsEx PeekMessageW
  PostMessageW PostQuitMessage PtInRect RegisterClassExW ReleaseCapture ReleaseDC ScreenToClient SendMessageA
  SendMessageTimeoutA SendMessageW SetCapture SetCursor SetTimer SetWindowLongPtrW SetWindowLongW
  SetWindowPos SetWindowTextW ShowWindow TranslateMessage UpdateWindow
'
# What the statically linked runtime imports: the C runtime's start-up, the
# exception unwinder with its thread-safe helpers, what libstdc++'s
# exception helpers share an object with (std::random_device's _read, _close),
# and libstdc++'s terminate handler, which names the exception's type on
# stderr with its name demangler (the locale and multibyte functions).
runtime_imports='
KERNEL32.DLL CloseHandle CreateSemaphoreW DeleteCriticalSection EnterCriticalSection FreeLibrary
  GetModuleHandleA GetStartupInfoA InitializeCriticalSection IsDBCSLeadByteEx LeaveCriticalSection
  LoadLibraryA RaiseException ReleaseSemaphore RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx
  RtlVirtualUnwind SetLastError SetUnhandledExceptionFilter Sleep TlsAlloc TlsFree TlsGetValue
  TlsSetValue VirtualProtect VirtualQuery WaitForSingleObject __C_specific_handler
MSVCRT.DLL ___lc_codepage_func ___mb_cur_max_func __getmainargs __initenv __iob_func __mb_cur_max
  __p__acmdln __p__commode __p__fmode __set_app_type __setusermatherr _acmdln _amsg_exit _cexit
  _close _commode _errno _fmode _initterm _iob _onexit _read atoi calloc exit fprintf fputc fputs
  free fwrite localeconv malloc memchr memcpy memset realloc setlocale signal strchr strcmp
  strerror strlen vfprintf
'

# One "DLL function" pair per line.
pairs() {
    awk '/^[A-Z0-9]+\.DLL / {dll = $1; $1 = ""} {for (i = 1; i <= NF; i++) if ($i != "") print dll, $i}'
}
allowed=$( { pairs <<<"$program_imports"; pairs <<<"$runtime_imports"; } | sort -u)
# "DLL function" for each function on the Windows XP SP3 list.
xp_sp3=$(awk '!/^#/ && NF {print $1, $2}' "$root/tests/release/xp-sp3-imports.txt" | sort -u)

. "$root/tests/checks.sh"

has_line() { grep -q -- "$2" <<<"$1"; }

# No section is both writable (no READONLY flag) and executable (CODE).
no_writable_code() {
    ! awk '/^ *[0-9]+ / {name = $2; next}
           /CODE/ && !/READONLY/ {print "# writable code: " name; found = 1}
           END {exit !found}' <<<"$sections"
}

has_relocations() {
    awk '/^ *[0-9]+ \.reloc / && $3 !~ /^0+$/ {ok = 1} END {exit !ok}' <<<"$sections" &&
        ! has_line "$headers" 'relocations stripped'
}

imports_allowed() {
    local extra
    extra=$(comm -23 <(sort -u <<<"$imports") <(echo "$allowed"))
    [[ -z $extra ]] || sed 's/^/# not on the list: /' <<<"$extra"
    [[ -z $extra ]]
}

imports_on_xp() {
    local missing
    missing=$(comm -23 <(sort -u <<<"$imports") <(echo "$xp_sp3"))
    [[ -z $missing ]] || sed 's/^/# not on the Windows XP SP3 list: /' <<<"$missing"
    [[ -z $missing ]]
}

# Windows XP is version 5.1; its loader refuses an executable whose header
# asks for a later system or subsystem version.
header_allows_xp() {
    local what major minor bad=0
    for what in OSystem Subsystem; do
        major=$(awk -v f="Major${what}Version" '$1 == f {print $2}' <<<"$headers")
        minor=$(awk -v f="Minor${what}Version" '$1 == f {print $2}' <<<"$headers")
        echo "# ${what} version $major.$minor"
        if [[ -z $major || -z $minor ]] || ((major > 5 || (major == 5 && minor > 1))); then bad=1; fi
    done
    [[ $bad -eq 0 ]]
}

# The guard comes from the Win32 backend (not libssp), and the shipped code
# reads it in the functions' prologues and epilogues. x64 code reads it
# through a pointer (.refptr), x86 code directly.
stack_protector() {
    local map=$1 symbol=$2 address count
    [[ -f $map ]] || { echo "# no link map: $map"; return 1; }
    grep -A1 '^ \.data\$__stack_chk_guard$' "$map" | grep -q 'Win32Startup\.cpp\.obj' || {
        echo "# the guard does not come from Win32Startup.cpp"
        return 1
    }
    address=$(awk -v s="$symbol" '$2 == s && $1 ~ /^0x/ {print $1; exit}' "$map")
    [[ -n $address ]] || { echo "# no $symbol in the map"; return 1; }
    address=$(printf '0x%x' "$address")
    count=$(objdump -d "$exe" | grep -c -- "$address\b" || true)
    echo "# $count reads of $symbol at $address"
    [[ $count -ge 20 ]]
}

for exe in "${exes[@]}"; do
    if [[ ! -f $exe ]]; then
        check "$exe exists" false
        continue
    fi
    headers=$(objdump -p "$exe")
    sections=$(objdump -h "$exe")
    imports=$(awk '/DLL Name:/ {dll = toupper($3)} /^\t[0-9a-f]+\t +[0-9]+ / {print dll, $3}' <<<"$headers")
    case $headers in
        *"file format pei-i386"*) arch=x86 guard=__stack_chk_guard ;;
        *"file format pei-x86-64"*) arch=x64 guard=.refptr.__stack_chk_guard ;;
        *) check "$exe is a Windows executable" false; continue ;;
    esac

    check "$arch: ASLR (DYNAMIC_BASE)" has_line "$headers" $'^\t*DYNAMIC_BASE$'
    check "$arch: DEP (NX_COMPAT)" has_line "$headers" $'^\t*NX_COMPAT$'
    if [[ $arch == x64 ]]; then
        check "$arch: 64-bit ASLR (HIGH_ENTROPY_VA)" has_line "$headers" $'^\t*HIGH_ENTROPY_VA$'
    fi
    check "$arch: relocations kept (.reloc)" has_relocations
    check "$arch: no section both writable and executable" no_writable_code
    check "$arch: only Windows' own DLLs, and only the functions on the list" imports_allowed
    if [[ $arch == x86 ]]; then
        check "$arch: only functions that Windows XP SP3 has (xp-sp3-imports.txt)" imports_on_xp
        check "$arch: the header's system and subsystem versions allow Windows XP" header_allows_xp
    fi
    check "$arch: stack protector in the shipped code" \
        stack_protector "$(dirname "$exe")/korvo.map" "$guard"
    size=$(stat -c %s "$exe")
    check "$arch: $size bytes, within $budget" test "$size" -le "$budget"
done

checks_done
