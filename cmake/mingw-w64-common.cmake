# What the two MinGW-w64 toolchain files share; LUNAVIRE_MINGW_TRIPLET names
# the compilers (i686-w64-mingw32, x86_64-w64-mingw32), posix threads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LUNAVIRE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUNAVIRE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LUNAVIRE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUNAVIRE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One self-contained executable: no libstdc++, libgcc or winpthread DLLs beside it.
# Windows 7 (6.1) is the oldest system it declares itself for.
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-static -static-libgcc -static-libstdc++ -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,1")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
