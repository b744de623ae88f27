#!/usr/bin/env bash
# One test of a Windows build's own ctest, a GoogleTest program, under Wine
# on a display of its own without a window manager: Wine then runs the
# window-move loop itself, and nothing places or moves a window between a
# scenario's look and its click. The tests: the unit suite as the shipping
# compiler builds it, and the shared scenarios on the Win32 backend and on
# the shipped executable, beside the stand-in chat client that E2E_STANDIN
# names. GTEST_FILTER picks scenarios, E2E_SCREEN the screen.
# Usage: ctest.sh BUILD-DIR TEST
. "$(dirname "$0")/lib.sh"

E2E_NO_WM=1 session_start || session_abort
KORVO_STANDIN=$(winpath "$E2E_STANDIN") ctest_checks "$2" "$2"
e2e_finish
