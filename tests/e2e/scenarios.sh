#!/usr/bin/env bash
# The shared scenarios on the Win32 backend (tests/scenarios): the program
# with real mouse input and the stand-in chat client, run by ctest in the
# build folder under Wine. No window manager, so that Wine runs the window-
# move loop itself, as on a desktop without one. Three of the five wait for
# a tick, shortened to ten seconds there. Usage: scenarios.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

e2e_require "$E2E_BUILD/tests/scenarios/win32_scenarios.exe" "$E2E_STANDIN" ||
  session_abort "the scenarios are built"
E2E_NO_WM=1 session_start || session_abort
ctest_checks scenarios win32_scenarios
e2e_finish
