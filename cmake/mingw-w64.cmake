# Cross toolchain: MinGW-w64, 32-bit (x86) Windows.  The program that ships:
# one 32-bit program runs on 32- and 64-bit Windows 7 and later alike.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LUNAVIRE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
