# Cross toolchain: MinGW-w64, 32-bit (x86) Windows, posix threads.  One
# 32-bit program runs on 32- and 64-bit Windows 7 and later alike.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One self-contained executable: no libstdc++, libgcc or winpthread DLLs beside it.
# Windows 7 (6.1) is the oldest system it declares itself for.
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-static -static-libgcc -static-libstdc++ -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,1")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
