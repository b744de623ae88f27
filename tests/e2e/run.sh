#!/usr/bin/env bash
# Runs the end-to-end suite against every Windows build that runs on this
# machine and adds up the results; each script brings up and tears down its
# own session. Where the 32-bit half of Wine runs, it adds one cross-bitness
# run each way: each program posting into the other build's stand-in (a
# user's real chat client is a 32-bit program). What cannot run here is named
# and counted as skipped; tests/release checks both executables statically.
#
# Each build runs in a lane of its own: its scripts in turn, then its program
# with the other build's stand-in. The two lanes run side by side, each with
# its own Wine prefix, displays and artifacts, since most of their time goes
# on waiting for real ticks and hangs; the 32-bit lane's results follow the
# 64-bit lane's.
# Usage: run.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
. "$here/../tally.sh"
wine_env
declare -A build=([x86]=${1:-$here/../../build/win-x86} [x64]=${2:-$here/../../build/win-x64})
declare -A bits=([x64]=64-bit [x86]=32-bit)
declare -A other=([x64]=x86 [x86]=x64)
for arch in x64 x86; do
  build[$arch]=$(cd "${build[$arch]}" && pwd) || { echo "no build tree for $arch"; exit 2; }
done
suite=()
for test in "$here"/*.sh; do
  case ${test##*/} in lib.sh | *_lib.sh | run.sh | bench*.sh) continue ;; esac
  suite+=("$test")
done
# The cross-bitness runs: the chat bridge's bytes and the whole program.
cross=("$here/chat_bridge.sh" "$here/program.sh")
root=$(cd "$here/../.." && pwd)
base_prefix=${E2E_WINEPREFIX:-$root/build/wpfx-e2e-$WINE_MODE}
base_artifacts=${E2E_ARTIFACTS:-$root/build/e2e-artifacts}

# run_script SCRIPT BUILD [STANDIN]: one script, its checks added up.
run_script() {
  echo "# ${1##*/} on ${2##*/}${3:+ with the stand-in of $(basename "${3%/tools/*}")}"
  local t0=$SECONDS
  tally "${1##*/}" env E2E_STANDIN="${3:-$2/tools/standin.exe}" bash "$1" "$2"
  echo "# ${1##*/} took $((SECONDS - t0)) s"
}

runs_here() { [[ " $WINE_ARCHES " == *" $1 "* ]]; }

# lane ARCH: one build's scripts and its cross-bitness runs, as TAP.
lane() {
  local arch=$1 test
  TALLY_PASSED=0 TALLY_FAILED=0 TALLY_SKIPPED=0 TALLY_LINES=0
  if [[ $arch == x86 ]]; then
    export E2E_WINEPREFIX=$base_prefix-x86 E2E_DISPLAY_MIN=60
  else
    export E2E_WINEPREFIX=$base_prefix
  fi
  export E2E_ARTIFACTS=$base_artifacts/$arch
  for test in "${suite[@]}"; do
    if runs_here "$arch"; then
      run_script "$test" "${build[$arch]}"
    else
      tally_result skip "${test##*/} on the ${bits[$arch]} build" "$WINE_ONLY64_WHY"
    fi
  done
  for test in "${cross[@]}"; do
    if runs_here "$arch" && runs_here "${other[$arch]}"; then
      run_script "$test" "${build[$arch]}" "${build[${other[$arch]}]}/tools/standin.exe"
    else
      tally_result skip "${test##*/}: the ${bits[$arch]} program with the ${bits[${other[$arch]}]} stand-in" \
        "$WINE_ONLY64_WHY"
    fi
  done
  tally_finish
}

wine_env_says
x86_log=$(mktemp)
lane x86 >"$x86_log" 2>&1 &
x86_lane=$!
tally "the 64-bit lane" lane x64
wait "$x86_lane"
echo "# the 32-bit lane"
tally "the 32-bit lane" cat "$x86_log"
rm -f "$x86_log"
tally_finish
