# Payload extraction benchmark (host): included from tests/CMakeLists.txt.
# Built in the sanitizer build as well, so that a change of the platform seam
# that breaks it fails the tests; its figures come from a build without them.
add_executable(payload_bench ${CMAKE_CURRENT_LIST_DIR}/payload_bench.cpp)
target_link_libraries(payload_bench PRIVATE lunavire_payload ZLIB::ZLIB)
add_dependencies(payload_bench lunavire_payload_data)
get_property(containers GLOBAL PROPERTY LUNAVIRE_PAYLOAD_CONTAINER_DIR)
if(LUNAVIRE_SANITIZE)
  # One round: it fails when the extracted bytes differ from zlib's or the
  # extraction calls on the platform for something the benchmark lacks.
  add_test(NAME payload_bench COMMAND payload_bench ${containers}/GB_/GAME00.lvz --rounds 1)
else()
  # Timing on a shared machine is noisy: the test fails only on a gross
  # regression; the printed ratio is the figure to watch.
  add_test(NAME payload_bench COMMAND payload_bench ${containers}/GB_/GAME00.lvz --max-ratio 1.5)
endif()
set_tests_properties(payload_bench PROPERTIES LABELS bench)
