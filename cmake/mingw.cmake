# Cross toolchain: Windows with MinGW-w64 (posix threads). BLIMO_ARCH is i686, the program as
# shipped, or x86_64: the same sources built for testing where 32-bit programs cannot start.
set(BLIMO_ARCH i686 CACHE STRING "i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${BLIMO_ARCH})
set(CMAKE_C_COMPILER ${BLIMO_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${BLIMO_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${BLIMO_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BLIMO_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
