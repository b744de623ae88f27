#!/usr/bin/env bash
# The farewell on a 3840 x 2160 screen, where coordinates drawn from the
# screen width exceed 16 bits (the shared scenario's).
# Usage: wide_screen.sh [BUILD-DIR]
: "${E2E_SCREEN:=3840x2160x24}"
. "$(dirname "$0")/lib.sh"

e2e_require "$E2E_BUILD/tests/scenarios/exe_scenarios.exe" "$E2E_STANDIN" ||
  session_abort "the scenarios are built"
E2E_NO_WM=1 session_start || session_abort
GTEST_FILTER='Scenario.TheFarewellCompletesOnAWideScreen' ctest_checks wide exe_scenarios
e2e_finish
