# Cross build for 32-bit Windows (x86), with SSE2 arithmetic.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/i686-arithmetic.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
