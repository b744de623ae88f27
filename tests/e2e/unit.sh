#!/usr/bin/env bash
# The unit suite on the simulated desktop as the shipping compiler builds it
# (mingw-w64's GCC, msvcrt, the release flags, the static runtime), run by
# ctest in the build folder under Wine. It draws nothing; the session gives
# it the prefix. Usage: unit.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

e2e_require "$E2E_BUILD/tests/unit/unit_tests.exe" || session_abort "the unit tests are built"
E2E_NO_WM=1 session_start || session_abort
ctest_checks unit unit_tests
e2e_finish
