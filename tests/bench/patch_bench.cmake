# Whole patch run benchmark (win32, run under Wine): included from
# tests/CMakeLists.txt.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
add_executable(patch_bench ${CMAKE_CURRENT_LIST_DIR}/patch_bench.cpp)
target_link_libraries(patch_bench PRIVATE lunavire_core lunavire_win32 ZLIB::ZLIB psapi)
lunavire_add_payloads(patch_bench)

set(wine ${PROJECT_SOURCE_DIR}/tools/wine)
if(EXISTS ${wine}/run-in-wine.sh)
  get_property(files GLOBAL PROPERTY LUNAVIRE_PAYLOAD_FILES_DIR)
  string(REPLACE "/" "\\" winFiles "Z:${files}")
  string(REPLACE "/" "\\" winScratch "Z:${CMAKE_CURRENT_BINARY_DIR}/patch-bench-scratch")
  # A short run: it fails on wrong files or a second copy of a payload in
  # memory, never on timing; the printed ratios are the figures to watch.
  add_test(NAME patch_bench
    COMMAND ${wine}/with-display.sh ${wine}/run-in-wine.sh --prefix ${CMAKE_BINARY_DIR}/tests/e2e/wineprefix
            $<TARGET_FILE:patch_bench> ${winFiles} ${winScratch} --rounds 3)
  set_tests_properties(patch_bench PROPERTIES
    TIMEOUT 600 RESOURCE_LOCK lunavire_e2e_prefix LABELS "bench;wine")
endif()
