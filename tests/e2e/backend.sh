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

# gtest_results XML: for each test that ran, lines of "#", a tab and a line
# of what it recorded or of a failure; then "ok" or "not ok", a tab and its
# name.
gtest_results() {
  [[ -f $1 ]] || return 0
  python3 - "$1" <<'PY'
import sys
import xml.etree.ElementTree as ET

for case in ET.parse(sys.argv[1]).iter("testcase"):
    if case.get("status") != "run":
        continue
    for prop in case.iter("property"):
        print("#\t%s: %s" % (prop.get("name"), prop.get("value")))
    failures = case.findall("failure")
    for failure in failures:
        for line in failure.get("message").splitlines():
            print("#\t" + line)
    print("%s\t%s.%s" % ("not ok" if failures else "ok", case.get("classname"), case.get("name")))
PY
}

# ctest runs the test under Wine (scripts/wine.sh) and ends it after 300 s.
xml=$E2E_RUN/backend.xml
GTEST_OUTPUT="xml:$(winpath "$xml")" ctest --test-dir "$E2E_BUILD" -R '^win32_backend$' \
  --output-on-failure >"$E2E_RUN/ctest.out" 2>&1
status=$?
while IFS=$'\t' read -r result text; do
  case $result in
    "#") e2e_note "$text" ;;
    *) check "backend: $text" test "$result" = ok ;;
  esac
done < <(gtest_results "$xml")
check "backend: ctest passes the backend test" test "$status" -eq 0
# Without a report (a crash, or ctest's time-out) ctest's output tells why.
[[ $status -eq 0 || -f $xml ]] || sed 's/^/# ctest: /' "$E2E_RUN/ctest.out"

# The system's error texts reach the error box in the user's language: Wine
# takes it from the Unix locale, made here for French in the run's folder.
locales=$E2E_RUN/locales
mkdir -p "$locales" && localedef -i fr_FR -f UTF-8 "$locales/fr_FR.UTF-8" 2>/dev/null
french=$(cd "$(dirname "$TEST_EXE")" && LOCPATH=$locales LC_ALL=fr_FR.UTF-8 timeout -k 10 60 "$WINE" "$TEST_EXE" --error-text)
check_eq "a French system error text arrives as UTF-8" "x failed (error 5: Accès refusé)" "${french%$'\r'}"
e2e_finish
