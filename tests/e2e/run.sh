#!/usr/bin/env bash
# Runs the end-to-end suite against every Windows build that runs on this
# machine and adds up the results; each script brings up and tears down its
# own session. Where the 32-bit half of Wine runs, it adds one cross-bitness
# run each way: each program posting into the other build's stand-in (a
# user's real chat client is a 32-bit program). What cannot run here is named
# and counted as skipped; tests/release checks both executables statically.
# Usage: run.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
. "$here/../tally.sh"
wine_env
declare -A build=([x86]=${1:-$here/../../build/win-x86} [x64]=${2:-$here/../../build/win-x64})
declare -A bits=([x64]=64-bit [x86]=32-bit)
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

# run_script SCRIPT BUILD [STANDIN]: one script, its checks added up.
run_script() {
  echo "# ${1##*/} on ${2##*/}${3:+ with the stand-in of $(basename "${3%/tools/*}")}"
  local t0=$SECONDS
  tally "${1##*/}" env E2E_STANDIN="${3:-$2/tools/standin.exe}" bash "$1" "$2"
  echo "# ${1##*/} took $((SECONDS - t0)) s"
}

runs_here() { [[ " $WINE_ARCHES " == *" $1 "* ]]; }

wine_env_says
for arch in x64 x86; do
  for test in "${suite[@]}"; do
    if runs_here "$arch"; then
      run_script "$test" "${build[$arch]}"
    else
      tally_result skip "${test##*/} on the ${bits[$arch]} build: $WINE_ONLY64_WHY"
    fi
  done
done
for pair in "x64 x86" "x86 x64"; do
  read -r program standin <<<"$pair"
  for test in "${cross[@]}"; do
    name="${test##*/}: the ${bits[$program]} program with the ${bits[$standin]} stand-in"
    if runs_here "$program" && runs_here "$standin"; then
      run_script "$test" "${build[$program]}" "${build[$standin]}/tools/standin.exe"
    else
      tally_result skip "$name: $WINE_ONLY64_WHY"
    fi
  done
done

tally_finish
