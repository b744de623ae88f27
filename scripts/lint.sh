#!/usr/bin/env bash
# Static analysis of the product code with cppcheck: warnings, portability
# and performance findings fail the build; style remarks are left out as too
# noisy to act on. The Win32 backend is analysed without the system headers,
# which are not on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
common=(--quiet --std=c++20 --language=c++ --enable=warning,performance,portability
        --error-exitcode=1 --inline-suppr -I . --suppress=missingIncludeSystem)
cppcheck "${common[@]}" platform/runtime.cpp platform/sim chat winhelpers forms
cppcheck "${common[@]}" --suppress=missingInclude -D_WIN32 -DUNICODE \
  -i platform/win32/tests platform/win32 app
echo "cppcheck: no findings"
