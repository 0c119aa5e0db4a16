# Start-up benchmark (win32, run under Wine): included from
# tests/CMakeLists.txt.  The watcher, and the trivial window program it
# measures Setup.exe against, built with the same toolchain and flags.
add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
add_executable(trivial_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/trivial_window.cpp)
# The least that shows a window like the main window: the same manifest, icon
# and controls, the stand-in notice.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/same_window.rc
  "1 ICON \"${PROJECT_SOURCE_DIR}/assets/setup.ico\"\n"
  "1 24 \"${PROJECT_SOURCE_DIR}/shell/Setup.manifest\"\n"
  "2 RCDATA \"${PROJECT_SOURCE_DIR}/tools/standins/text/lince1.zh-Hans.txt\"\n")
add_executable(same_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/same_window.cpp ${CMAKE_CURRENT_BINARY_DIR}/same_window.rc)
target_link_libraries(same_window PRIVATE ole32 comctl32 gdi32 user32 advapi32)

set(wine ${PROJECT_SOURCE_DIR}/tools/wine)
if(TARGET Setup AND EXISTS ${wine}/run-in-wine.sh)
  # Two rounds: it fails when a window does not come or a program does not
  # end, never on timing.
  add_test(NAME startup_bench
    COMMAND ${wine}/with-display.sh ${wine}/run-in-wine.sh --prefix ${CMAKE_BINARY_DIR}/tests/e2e/wineprefix
            $<TARGET_FILE:startup_bench> --rounds 2 $<TARGET_FILE:Setup> $<TARGET_FILE:trivial_window>
            $<TARGET_FILE:same_window>)
  set_tests_properties(startup_bench PROPERTIES
    TIMEOUT 600 RESOURCE_LOCK lunavire_e2e_prefix LABELS "bench;wine")
endif()
