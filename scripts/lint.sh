#!/usr/bin/env bash
# Static analysis of the product code with cppcheck and clang-tidy. cppcheck: warnings, portability
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

# clang-tidy on the portable core, with the checks in .clang-tidy.
build=${1:-build/native}
if [[ -f $build/compile_commands.json ]]; then
  clang-tidy -p "$build" --quiet platform/runtime.cpp platform/sim/*.cpp chat/*.cpp \
    winhelpers/*.cpp forms/*.cpp forms/*/*.cpp 2>/dev/null
  echo "clang-tidy: no findings"
else
  echo "clang-tidy skipped: no $build/compile_commands.json (run make native)"
fi
