# What the mingw-w64 builds add, in one place: included once, from the
# top-level CMakeLists.txt, before any target. The interface libraries exist
# in every build and carry something only in a mingw-w64 one, so that the
# targets that link them need no check of their own.

# Hardening for the code that ships. The Windows build's stack protector
# gets its guard from the Win32 backend (Win32Startup.cpp). Randomized load
# addresses (64-bit wide on x64) and no-execute data are ld's defaults; they
# are spelled out so that an older linker cannot drop them.
add_library(product_hardening INTERFACE)
# Symbols are of no use to the user; stripping halves the download.
add_library(stripped_release INTERFACE)
# Where every byte of an executable comes from, and the symbols that
# stripping removes: NAME.map beside it.
add_library(link_map INTERFACE)
# A DLL that needs no other DLL beside it.
add_library(static_dll INTERFACE)
# GCC's stack protector is on: the Win32 backend supplies its guard.
set(KORVO_STACK_PROTECTOR OFF)

if(NOT MINGW)
  return()
endif()

# One section per function and object, so that the linker can drop the
# unused ones. NOTE: ld keeps the unwind tables (.eh_frame, .pdata) whole,
# and they refer to every function, so only unused constants go.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# The same bytes from every build of a commit, in any folder and at any
# time: no link time in the headers, no folder names in the code.
add_link_options(-Wl,--no-insert-timestamp)
# Sections on page boundaries in the file too, so that Wine maps them
# from the file as Windows does; otherwise it reads the whole image,
# pictures and all, into the process's private memory.
add_link_options(-Wl,--file-alignment,4096)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)

target_compile_options(product_hardening INTERFACE -fstack-protector-strong)
target_link_options(product_hardening INTERFACE -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_link_options(product_hardening INTERFACE -Wl,--high-entropy-va)
endif()
set(KORVO_STACK_PROTECTOR ON)

target_link_options(stripped_release INTERFACE $<$<CONFIG:Release>:-s>)
target_link_options(link_map INTERFACE "-Wl,-Map=$<TARGET_PROPERTY:BINARY_DIR>/$<TARGET_PROPERTY:NAME>.map")
# NOTE: a 32-bit DLL would otherwise need libgcc's DLL beside it.
target_link_options(static_dll INTERFACE -static)
