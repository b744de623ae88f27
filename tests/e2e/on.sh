#!/usr/bin/env bash
# One end-to-end script against one Windows build, as the suite's ctest runs
# it: in that build's own Wine prefix and artifacts folder, beside the
# build's own stand-in chat client or, with E2E_STANDIN_ARCH, another
# build's (a cross-bitness run). Exits 77, which ctest counts as skipped,
# where Wine cannot run a build that it needs.
# Usage: [E2E_LANE=a|b] [E2E_STANDIN_ARCH=ARCH] on.sh ARCH SCRIPT [ARG...]
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
wine_env
arch=$1 script=$2 standin=${E2E_STANDIN_ARCH:-$1}
for needed in "$arch" "$standin"; do
  if [[ " $WINE_ARCHES " != *" $needed "* ]]; then
    echo "skipped: the $needed build does not run here ($WINE_ONLY64_WHY)"
    exit 77
  fi
done
# Each build and lane (E2E_LANE, from ctest) has a Wine prefix of its own, so
# that two lanes run side by side; the 64-bit build's first lane takes the
# default one (tests/e2e/lib.sh).
lane=$arch-${E2E_LANE:-a}
[[ $lane == x64-a ]] || export E2E_WINEPREFIX=${E2E_WINEPREFIX:-$root/build/wpfx-e2e-$WINE_MODE-$lane}
export E2E_ARTIFACTS=${E2E_ARTIFACTS:-$root/build/e2e-artifacts/$arch${E2E_STANDIN_ARCH:+-with-$standin-standin}}
export E2E_STANDIN=$root/build/win-$standin/tools/standin.exe
exec bash "$root/tests/e2e/$script" "$root/build/win-$arch" "${@:3}"
