# 32-bit x86 code computes as 64-bit code does: SSE2 floating point, rounded
# once to the declared type, instead of the i686 compilers' default x87 with
# its double rounding. Shared by the 32-bit Windows build and the 32-bit unit
# tests, so that the tests run the program's arithmetic.
set(KORVO_I686_FLAGS "-msse2 -mfpmath=sse")
