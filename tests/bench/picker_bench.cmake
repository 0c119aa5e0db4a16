# Folder picker benchmark (win32, run under Wine): included from
# tests/CMakeLists.txt.  bench.sh runs it on folders of 1000 and 5000
# subfolders.
add_executable(picker_bench ${CMAKE_CURRENT_LIST_DIR}/picker_bench.cpp)
target_link_libraries(picker_bench PRIVATE lunavire_core lunavire_win32 lunavire_robot)

set(wine ${PROJECT_SOURCE_DIR}/tools/wine)
if(EXISTS ${wine}/run-in-wine.sh)
  string(REPLACE "/" "\\" winScratch "Z:${CMAKE_CURRENT_BINARY_DIR}/picker-bench-scratch")
  # A short run on small folders: it fails on a wrong listing or icon, never
  # on timing.
  add_test(NAME picker_bench
    COMMAND ${wine}/with-display.sh ${wine}/run-in-wine.sh --prefix ${CMAKE_BINARY_DIR}/tests/e2e/wineprefix
            $<TARGET_FILE:picker_bench> --rounds 1 --counts 100,400 ${winScratch})
  set_tests_properties(picker_bench PROPERTIES
    TIMEOUT 600 RESOURCE_LOCK lunavire_e2e_prefix LABELS "bench;wine")
endif()
