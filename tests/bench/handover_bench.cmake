# Hand-over benchmark (win32, run by hand under Wine): included from
# tests/CMakeLists.txt.
add_executable(bench_handover ${CMAKE_CURRENT_LIST_DIR}/bench_handover.cpp)
target_link_libraries(bench_handover PRIVATE lunavire_win32)
