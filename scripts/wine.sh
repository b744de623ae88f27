#!/usr/bin/env bash
# Runs a Windows program with the loader scripts/wine-env.sh picks for this
# machine. The Windows builds' CMAKE_CROSSCOMPILING_EMULATOR, so that ctest
# in their build folders runs each test under Wine. The caller provides the
# display and the prefix (tests/e2e/backend.sh brings both up).
# Usage: wine.sh PROGRAM.exe [ARG...]
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_env
exec "$WINE" "$@"
