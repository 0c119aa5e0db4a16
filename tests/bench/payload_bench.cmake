# Payload extraction benchmark (host, without sanitizers): included from
# tests/CMakeLists.txt.
add_executable(payload_bench ${CMAKE_CURRENT_LIST_DIR}/payload_bench.cpp)
target_link_libraries(payload_bench PRIVATE lunavire_payload ZLIB::ZLIB)
add_dependencies(payload_bench lunavire_payload_data)
get_property(containers GLOBAL PROPERTY LUNAVIRE_PAYLOAD_CONTAINER_DIR)
# Timing on a shared machine is noisy: the test fails only on a gross
# regression; the printed ratio is the figure to watch.
add_test(NAME payload_bench COMMAND payload_bench ${containers}/GB_/GAME00.lvz --max-ratio 1.5)
set_tests_properties(payload_bench PROPERTIES LABELS bench)
