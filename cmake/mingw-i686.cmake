# Cross toolchain: 32-bit Windows with mingw-w64 (posix thread model). Built, never run here:
# these machines cannot execute 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FRIXA_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${FRIXA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FRIXA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${FRIXA_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${FRIXA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# SSE2 arithmetic instead of the x87 stack: the loss figures depend on every single-precision
# rounding point, and x87 code keeps intermediates in 80 bits where the program stores singles.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
