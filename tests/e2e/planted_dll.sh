#!/usr/bin/env bash
# Started from a Downloads folder where another download left a DLL named
# after one that is loaded when the first window is made (the theme's), the
# program takes the system's copy and works to its farewell's end (the
# shipped executable's scenario of a close during it), and the planted one,
# which would leave a file beside itself, never runs.
# NOTE: Wine prefers its builtin DLL to one found beside the program; with
# native first, the search order alone decides, as on Windows.
# Usage: planted_dll.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

EXE="$E2E_BUILD/app/Korvo Idle v2 by qel.exe"
e2e_require "$EXE" "$E2E_BUILD/tests/scenarios/exe_scenarios.exe" "$E2E_STANDIN" \
  "$E2E_TOOLS/minimal.exe" "$E2E_TOOLS/planted.dll" || session_abort "the program and the tools are built"
E2E_NO_WM=1 session_start || session_abort

downloads=$E2E_RUN/Downloads ran=$E2E_RUN/Downloads/uxtheme.dll.ran
mkdir -p "$downloads"
cp "$EXE" "$E2E_TOOLS/minimal.exe" "$downloads/"
cp "$E2E_TOOLS/planted.dll" "$downloads/uxtheme.dll"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uxtheme=n,b"
# Beside a program that leaves the search alone, it runs: else this would
# prove nothing.
e2e_start minimal "$downloads/minimal.exe"
check "the planted DLL runs beside a program that leaves the DLL search alone" wait_until 30000 test -e "$ran"
e2e_stop minimal
rm -f "$ran"

KORVO_PROGRAM=$(winpath "$downloads/${EXE##*/}") KORVO_STANDIN=$(winpath "$E2E_STANDIN") \
  GTEST_FILTER=Scenario.ACloseRequestDuringTheFarewellLetsItFinish ctest_checks downloads exe_scenarios
check "the planted DLL never ran in it" test ! -e "$ran"
e2e_finish
