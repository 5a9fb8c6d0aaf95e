# Cross-compiling for 32-bit Windows with MinGW-w64 (posix threads: the C++
# thread library, which GoogleTest needs, exists only in that variant).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Scalar SSE2 arithmetic instead of the x87 unit: every float and double
# operation then rounds to its own precision, as in the x86_64 builds, rather
# than carrying 80-bit intermediates that round zoomed sizes and resampled
# pixels differently. Windows only keeps the stack 4-byte aligned when it calls
# back into the program (window procedures, enumerators), so functions that
# need 16-byte aligned spill slots realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
