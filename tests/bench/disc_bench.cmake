# Disc installation benchmark (win32, run under Wine): included from
# tests/CMakeLists.txt.  bench.sh runs it on CD-sized discs.
add_executable(disc_bench ${CMAKE_CURRENT_LIST_DIR}/disc_bench.cpp)
target_link_libraries(disc_bench PRIVATE lunavire_core lunavire_win32)
lunavire_add_payloads(disc_bench)

set(wine ${PROJECT_SOURCE_DIR}/tools/wine)
if(EXISTS ${wine}/run-in-wine.sh)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  set(discs ${CMAKE_CURRENT_BINARY_DIR}/disc-bench-discs)
  add_custom_command(OUTPUT ${discs}/game03.dat
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/discs/make_discs.py ${discs} --size small --merged
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/discs/make_discs.py
    COMMENT "Stand-in discs for the disc benchmark" VERBATIM)
  add_custom_target(disc_bench_discs ALL DEPENDS ${discs}/game03.dat)
  string(REPLACE "/" "\\" winDiscs "Z:${discs}")
  string(REPLACE "/" "\\" winScratch "Z:${CMAKE_CURRENT_BINARY_DIR}/disc-bench-scratch")
  # A short run on small discs: it fails on a wrong copy or a run that does
  # not end, never on timing.
  add_test(NAME disc_bench
    COMMAND ${wine}/with-display.sh ${wine}/run-in-wine.sh --prefix ${CMAKE_BINARY_DIR}/tests/e2e/wineprefix
            $<TARGET_FILE:disc_bench> --rounds 1 ${winDiscs} ${winScratch})
  set_tests_properties(disc_bench PROPERTIES
    TIMEOUT 600 RESOURCE_LOCK lunavire_e2e_prefix LABELS "bench;wine")
endif()
