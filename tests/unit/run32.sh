#!/usr/bin/env bash
# The hand-written unit tests a second time, as a 32-bit x86 program with the
# 32-bit Windows build's arithmetic and data model (cmake/linux-i686.cmake): natively
# where the kernel runs 32-bit programs, elsewhere under qemu-i386-static in
# user mode, registering nothing with the kernel.
# Usage: run32.sh BUILD-DIR [--build-only]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
. "$root/scripts/wine-env.sh"
if runs_32bit_code; then
  emulator= how="natively"
else
  emulator=$(command -v qemu-i386-static) how="under qemu-i386-static: this machine runs no 32-bit code"
fi
# Test discovery runs the test program too, so the emulator is CMake's.
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/linux-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Debug -DKORVO_LONG_RUNS=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
echo "# the 32-bit x86 unit tests run $how"
[[ ${2:-} == --build-only ]] && exit 0
status=0
(cd "$build" && ctest --output-on-failure -j"${JOBS:-2}") || status=$?
exit $status
