# A game copied in by hand, patched through the main window, then taken back
# by the entry the patch made for it in Windows' list (patch_entry_test.cpp).
# Its own program, so that the feature runs' filters need not leave it out.
add_executable(e2e_patch_entry_tests patch_entry_test.cpp Session.cpp)
target_link_libraries(e2e_patch_entry_tests PRIVATE lunavire_e2e_support advapi32 shell32 ole32)

if(TARGET Setup)
  add_test(NAME e2e_patch_entry_936
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-e2e.sh
      --prefix ${e2e_prefix} --artifacts ${e2e_artifacts} --exe $<TARGET_FILE:Setup>
      -- $<TARGET_FILE:e2e_patch_entry_tests> --payloads=${payloads_win} --gtest_filter=PatchEntry936.*)
  # It takes away the Start-menu shortcuts of the names the patch runs make:
  # after the checks of theirs.
  set_tests_properties(e2e_patch_entry_936 PROPERTIES
    ENVIRONMENT LUNAVIRE_LOCALE=zh_CN.UTF-8 TIMEOUT 900 RESOURCE_LOCK lunavire_e2e_prefix LABELS "wine;e2e"
    DEPENDS "e2e_links_936;e2e_links_950;e2e_links_discs")
  # And in the prefix that reports Windows 10 (Windows10.cmake), last there.
  add_test(NAME e2e_patch_entry_936_win10
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-e2e.sh
      --prefix ${w10_prefix} --artifacts ${w10_artifacts} --exe $<TARGET_FILE:Setup>
      -- $<TARGET_FILE:e2e_patch_entry_tests> --payloads=${payloads_win} --gtest_filter=PatchEntry936.*)
  lunavire_win10_test(e2e_patch_entry_936_win10)
  set_tests_properties(e2e_patch_entry_936_win10 PROPERTIES DEPENDS "e2e_silent_936_win10")
endif()
