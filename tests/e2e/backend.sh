#!/usr/bin/env bash
# The Win32 backend's own tests (pictures, labels, mouse, cursor, timers,
# button, message boxes, pump and wait, code page, and the texts of the
# program's own two windows), run by ctest in the build folder under Wine on
# the virtual display. One check per test from GoogleTest's XML report, and
# one for ctest's result. Usage: backend.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

TEST_EXE="$E2E_BUILD/platform/win32/win32_backend_test.exe"
e2e_require "$TEST_EXE" || session_abort "the backend test is built"
session_start || session_abort

ctest_checks backend win32_backend

# The system's error texts reach the error box in the user's language: Wine
# takes it from the Unix locale, made here for French in the run's folder.
locales=$E2E_RUN/locales
mkdir -p "$locales" && localedef -i fr_FR -f UTF-8 "$locales/fr_FR.UTF-8" 2>/dev/null
french=$(cd "$(dirname "$TEST_EXE")" && LOCPATH=$locales LC_ALL=fr_FR.UTF-8 timeout -k 10 60 "$WINE" "$TEST_EXE" --error-text)
check_eq "a French system error text arrives as UTF-8" "x failed (error 5: Accès refusé)" "${french%$'\r'}"
e2e_finish
