# Cross toolchain: MinGW-w64, 64-bit (x64) Windows.  The 64-bit twin of the
# program that ships, built from the same sources so that the real program
# can be run and tested where no 32-bit program runs (Wine's 64-bit loader
# alone); it is not shipped.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(LUNAVIRE_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
