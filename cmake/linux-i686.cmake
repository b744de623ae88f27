# The unit tests as a 32-bit x86 Linux program: the 32-bit Windows build's
# arithmetic and data model (32-bit pointers and long). Linked statically so
# that it runs without 32-bit system libraries, also under qemu-i386-static;
# tests/unit/run32.sh says which.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/i686-arithmetic.cmake)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 ${KORVO_I686_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-m32 ${KORVO_I686_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
# GoogleTest from its source, built for this target (CMakeLists.txt).
set(KORVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
