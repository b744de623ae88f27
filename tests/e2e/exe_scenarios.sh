#!/usr/bin/env bash
# The shared scenarios on the shipped executable (tests/scenarios): the
# program as its own process beside the stand-in chat client, real mouse
# input, run by ctest in the build folder under Wine. No window manager, as
# for the backend's scenarios: one would place and move the windows between
# a scenario's look and its click (its drags are program.sh's). One real
# minute tick. E2E_STANDIN names another build's stand-in (the pair across
# bitness); GTEST_FILTER picks scenarios. Usage: exe_scenarios.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

e2e_require "$E2E_BUILD/tests/scenarios/exe_scenarios.exe" "$E2E_STANDIN" ||
  session_abort "the scenarios are built"
E2E_NO_WM=1 session_start || session_abort
KORVO_STANDIN=$(winpath "$E2E_STANDIN") ctest_checks shipped exe_scenarios
e2e_finish
