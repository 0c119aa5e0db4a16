# File copy component benchmark (win32, run under Wine): included from
# tests/CMakeLists.txt.
add_executable(copy_bench ${CMAKE_CURRENT_LIST_DIR}/copy_bench.cpp)
target_link_libraries(copy_bench PRIVATE lunavire_discinstall lunavire_win32)

set(wine ${PROJECT_SOURCE_DIR}/tools/wine)
if(EXISTS ${wine}/run-in-wine.sh)
  # A short run: it fails on a wrong copy, never on timing; the printed
  # ratio and latencies are the figures to watch.
  add_test(NAME copy_bench
    COMMAND ${wine}/with-display.sh ${wine}/run-in-wine.sh --prefix ${CMAKE_BINARY_DIR}/tests/e2e/wineprefix
            $<TARGET_FILE:copy_bench> --rounds 2)
  set_tests_properties(copy_bench PROPERTIES
    TIMEOUT 600 RESOURCE_LOCK lunavire_e2e_prefix LABELS "bench;wine")
endif()
