# Everything `make test` runs, registered with the native build's ctest, so
# that one ctest run gives one summary: the unit tests (tests/unit, label
# "unit"), the hand-written ones as 32-bit x86 code and under Valgrind, the
# lint, the pictures, the release checks and the end-to-end suite on each
# Windows build. The builds they need are fixtures, made once before them. A
# test that cannot run on this machine exits 77, which ctest counts as
# skipped.
set(KORVO_ROOT ${CMAKE_SOURCE_DIR})

# korvo_test(NAME LABEL TIMEOUT COMMAND...): a test run from the source tree.
function(korvo_test name label timeout)
  add_test(NAME ${name} COMMAND ${ARGN} WORKING_DIRECTORY ${KORVO_ROOT})
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${timeout} SKIP_RETURN_CODE 77)
endfunction()

# The 32-bit Windows build, where Wine cannot run it, only as far as the
# release checks read it.
korvo_test(build.win-x64 build 1800 scripts/win-build.sh x64)
korvo_test(build.win-x86 build 1800 scripts/win-build.sh x86 needed)
set_tests_properties(build.win-x64 PROPERTIES FIXTURES_SETUP win-x64)
set_tests_properties(build.win-x86 PROPERTIES FIXTURES_SETUP win-x86)
korvo_test(build.unit32 build 1800 make -s unit32 UNIT32_ARGS=--build-only)
set_tests_properties(build.unit32 PROPERTIES FIXTURES_SETUP unit32)

korvo_test(unit32 unit32 900 ctest --test-dir build/unit-x86 -j2 --output-on-failure)
set_tests_properties(unit32 PROPERTIES FIXTURES_REQUIRED unit32)
korvo_test(memcheck memcheck 1800 make -s memcheck)
# What keeps both cores busy counts as two of ctest's slots; the end-to-end
# runs, which mostly wait, as one.
set_tests_properties(build.win-x64 build.win-x86 build.unit32 unit32 memcheck PROPERTIES PROCESSORS 2)
# The 64-bit build has the cores first: the end-to-end lanes wait for it.
# The heavy runs after it take turns, so that the lanes find their slots.
set_tests_properties(build.win-x86 memcheck PROPERTIES DEPENDS build.win-x64)
set_tests_properties(build.unit32 PROPERTIES DEPENDS build.win-x86)
korvo_test(lint lint 900 scripts/lint.sh ${CMAKE_BINARY_DIR})
korvo_test(pictures pictures 300 /usr/bin/python3 resources/make_pictures.py --check)

set(builds build/win-x86 build/win-x64)
set(exes "build/win-x86/app/Korvo Idle v2 by qel.exe" "build/win-x64/app/Korvo Idle v2 by qel.exe")
korvo_test(release.flags release 300 bash tests/release/flags.sh ${builds})
korvo_test(release.pe_check release 300 bash tests/release/pe_check.sh ${exes})
korvo_test(release.reproducible release 1800 bash tests/release/reproducible.sh ${builds})
korvo_test(release.dist release 300 bash tests/release/dist.sh ${builds})
set_tests_properties(release.flags release.pe_check release.reproducible release.dist
  PROPERTIES FIXTURES_REQUIRED "win-x86;win-x64")

# The end-to-end runs on each build, in two lanes with a Wine prefix each:
# the runs of one lane take turns, the lanes run side by side (most of their
# time goes on waiting for real ticks and hangs), and before anything else
# that is ready. The shipped executable's long session, with its real minute,
# is a run of its own. The long runs come first in each lane (COST), so the
# window manager's drags meet a machine done building (they once failed under
# the builds).
# korvo_e2e(ARCH NAME LANE COST SCRIPT [ARG...]), as e2e.ARCH.NAME.
function(korvo_e2e arch name lane cost)
  korvo_test(e2e.${arch}.${name} e2e 900 bash tests/e2e/on.sh ${arch} ${ARGN})
  set_tests_properties(e2e.${arch}.${name} PROPERTIES FIXTURES_REQUIRED win-${arch} COST ${cost}
    RESOURCE_LOCK wine-${arch}-${lane} ENVIRONMENT "E2E_LANE=${lane};E2E_NAME=${name}")
endfunction()
set(long_session Scenario.ALongSessionWithABurstOfClicksAroundATick)
foreach(arch x64 x86)
  korvo_e2e(${arch} long_session b 100 ctest.sh exe_scenarios)
  korvo_e2e(${arch} scenarios b 100 ctest.sh win32_scenarios)
  korvo_e2e(${arch} backend b 50 backend.sh)
  korvo_e2e(${arch} program b 50 program.sh)
  korvo_e2e(${arch} exe_scenarios a 100 ctest.sh exe_scenarios)
  korvo_e2e(${arch} unit a 50 ctest.sh unit_tests)
  korvo_e2e(${arch} wide_screen a 50 ctest.sh exe_scenarios)
  korvo_e2e(${arch} identity a 50 identity.sh)
  korvo_e2e(${arch} planted_dll a 50 planted_dll.sh)
  korvo_e2e(${arch} interrupted a 50 interrupted.sh)
  set_property(TEST e2e.${arch}.long_session APPEND PROPERTY ENVIRONMENT GTEST_FILTER=${long_session})
  set_property(TEST e2e.${arch}.exe_scenarios APPEND PROPERTY ENVIRONMENT GTEST_FILTER=-${long_session})
  set_property(TEST e2e.${arch}.wide_screen APPEND PROPERTY ENVIRONMENT E2E_SCREEN=3840x2160x24
    GTEST_FILTER=Scenario.TheFarewellCompletesOnAWideScreen)
endforeach()
# Where the 32-bit half of Wine runs, the hand-over, with its lines through
# the chat bridge, runs once more each way with the other build's stand-in
# chat client (a user's real chat client is a 32-bit program).
foreach(pair "x64;x86" "x86;x64")
  list(GET pair 0 arch)
  list(GET pair 1 standin)
  korvo_e2e(${arch} with-${standin}-standin a 50 ctest.sh exe_scenarios)
  set_property(TEST e2e.${arch}.with-${standin}-standin APPEND PROPERTY ENVIRONMENT E2E_STANDIN_ARCH=${standin}
    GTEST_FILTER=Scenario.StartUpAndHandOver:Scenario.TheFirstFullRoomGetsTheLines)
  set_property(TEST e2e.${arch}.with-${standin}-standin APPEND PROPERTY FIXTURES_REQUIRED win-${standin})
endforeach()
