# Cross build for Windows with mingw-w64 (win32 threads variant). The
# processor comes from the wrapper file that includes this one:
# mingw-w64-i686.cmake (32-bit) or mingw-w64-x86_64.cmake (64-bit).
set(CMAKE_SYSTEM_NAME Windows)
set(TOOLCHAIN_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CXX_FLAGS_INIT "${KORVO_I686_FLAGS}")
# The executable is the download and nothing in it is bound by processor
# speed: built for size. Forced into the cache: CMake appends its own -O3 to
# a _RELEASE_INIT value, the last -O wins, and a build folder configured
# before would keep that value (tests/release/flags.sh checks it).
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Flags of the release build" FORCE)
# Static: the executables need only DLLs that come with Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# GoogleTest from its source, built with this toolchain (CMakeLists.txt),
# with the port header that this threads variant needs (it says why).
set(KORVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
set(KORVO_GTEST_PORT ${CMAKE_CURRENT_LIST_DIR}/../tests/gtest-port)
# ctest runs the test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine.sh)
