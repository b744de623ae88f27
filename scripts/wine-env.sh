# shellcheck shell=bash
# How Windows programs run on this machine: the one place that decides.
# Source it, then call wine_env. It sets
#   WINE         the loader: "$WINE" prog.exe, "$WINE" wineboot -i
#   WINE_MODE    wow64: 64-bit Wine with its 32-bit half; both builds run
#                win64: 64-bit Wine alone; only the 64-bit build runs
#   WINE_ARCHES  the builds that run here, 64-bit first: "x64 x86" or "x64"
#   WINE_ONLY64_WHY  on the 64-bit-only path: why
# Both modes use a 64-bit prefix. KORVO_WIN64_ONLY=1 takes the 64-bit-only
# path on any machine, so that it can be tested everywhere.

# True when the kernel runs 32-bit x86 programs. Some machines' kernels do not
# ("Exec format error"); 32-bit Wine cannot start there, whatever is installed.
# Asks the kernel directly with a tiny static program, so it works before any
# 32-bit library is installed; needs only binutils.
runs_32bit_code() {
  local dir status=1
  dir=$(mktemp -d) || return 1
  printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$dir/exit.s"
  if as --32 -o "$dir/exit.o" "$dir/exit.s" 2>/dev/null &&
     ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" 2>/dev/null &&
     "$dir/exit" 2>/dev/null; then
    status=0
  fi
  rm -rf "$dir"
  return $status
}

wine_env() {
  unset WINEARCH   # a 64-bit prefix in both modes
  WINE_ONLY64_WHY=
  if [[ ${KORVO_WIN64_ONLY:-0} == 1 ]]; then
    WINE_ONLY64_WHY="KORVO_WIN64_ONLY=1"
  elif ! runs_32bit_code; then
    WINE_ONLY64_WHY="this machine runs no 32-bit code"
  elif [[ ! -x /usr/lib/wine/wine ]]; then
    WINE_ONLY64_WHY="32-bit Wine is not installed"
  fi
  if [[ -z $WINE_ONLY64_WHY ]]; then
    # NOTE: Debian's wrapper starts the 32-bit loader, which hands 64-bit
    # programs on to the 64-bit one.
    WINE=wine WINE_MODE=wow64 WINE_ARCHES="x64 x86"
  else
    # NOTE: Debian's wrapper would pick the 32-bit loader whenever wine32 is
    # installed, even where it cannot run: call the 64-bit one directly.
    WINE=/usr/lib/wine/wine64 WINE_MODE=win64 WINE_ARCHES=x64
    export WINELOADER=$WINE
  fi
}

# A line for the user when only the 64-bit build runs.
wine_env_says() {
  [[ $WINE_MODE == win64 ]] || return 0
  echo "# $WINE_ONLY64_WHY: the 32-bit build is built and checked statically but not run here."
}
