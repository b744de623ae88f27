#!/usr/bin/env bash
# One Windows build in build/win-ARCH: everything in it, or with `needed`,
# everything only where Wine runs that build here and else just the program,
# which is all the release checks read of it.
# Usage: win-build.sh x86|x64 [all|needed]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
arch=$1
toolchain=cmake/mingw-w64-$([[ $arch == x86 ]] && echo i686 || echo x86_64).cmake
targets=()
if [[ ${2:-all} == needed ]]; then
  wine_env
  [[ " $WINE_ARCHES " == *" $arch "* ]] || targets=(--target korvo)
fi
cmake -S . -B "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "build/win-$arch" -j"${JOBS:-2}" "${targets[@]}"
