# The unattended command line end to end: Setup.exe /S from the three
# stand-in discs, the patch and the installed uninstaller, each judged by
# its exit code, its files and the windows it showed; a run with disc 3's
# drive empty; the usage box under code pages 936 and 950.  A test program
# of its own, so that the feature runs' filters (*936.*, *950.*) leave it out.
if(TARGET Setup)
  # Reports each top-level window that a program of the session shows
  # (Wine sends no EVENT_OBJECT_SHOW); the test programs load it.
  add_library(e2e_show_watch SHARED showwatch/ShowWatch.cpp)
  target_link_libraries(e2e_show_watch PRIVATE user32)
  set_target_properties(e2e_show_watch PROPERTIES PREFIX "")
  target_link_options(e2e_show_watch PRIVATE -static -static-libgcc -static-libstdc++)
  add_executable(e2e_silent_tests silent_test.cpp Session.cpp)
  target_link_libraries(e2e_silent_tests PRIVATE lunavire_e2e_support e2e_show_watch advapi32 shell32 ole32)

  set(silent_discs ${CMAKE_CURRENT_BINARY_DIR}/discs-silent)
  lunavire_windows_path(silent_manifest_win ${silent_discs}/manifest.tsv)
  add_test(NAME e2e_silent_936
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/disc-e2e.sh --discs ${silent_discs} --dist $<TARGET_FILE_DIR:Setup>
      -- --prefix ${e2e_prefix} --artifacts ${e2e_artifacts} --exe $<TARGET_FILE:Setup>
      -- $<TARGET_FILE:e2e_silent_tests> --discs=${silent_manifest_win} --payloads=${payloads_win}
        --gtest_filter=Silent936.*)
  set(silent_missing_discs ${CMAKE_CURRENT_BINARY_DIR}/discs-silent-missing)
  lunavire_windows_path(silent_missing_manifest_win ${silent_missing_discs}/manifest.tsv)
  add_test(NAME e2e_silent_missing_disc_936
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/disc-e2e.sh --discs ${silent_missing_discs} --dist $<TARGET_FILE_DIR:Setup>
      --no-disc 3
      -- --prefix ${e2e_prefix} --artifacts ${e2e_artifacts} --exe $<TARGET_FILE:Setup>
      -- $<TARGET_FILE:e2e_silent_tests> --discs=${silent_missing_manifest_win} --gtest_filter=SilentMissingDisc936.*)
  add_test(NAME e2e_silent_950
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-e2e.sh
      --prefix ${e2e_prefix} --artifacts ${e2e_artifacts} --exe $<TARGET_FILE:Setup>
      -- $<TARGET_FILE:e2e_silent_tests> --gtest_filter=Silent950.*)
  set_tests_properties(e2e_silent_936 e2e_silent_missing_disc_936 PROPERTIES ENVIRONMENT LUNAVIRE_LOCALE=zh_CN.UTF-8)
  set_tests_properties(e2e_silent_950 PROPERTIES ENVIRONMENT LUNAVIRE_LOCALE=zh_TW.UTF-8)
  # They make and take away Start-menu shortcuts of the names the other runs
  # check from Linux: after those checks.
  set_tests_properties(e2e_silent_936 e2e_silent_missing_disc_936 e2e_silent_950 PROPERTIES
    TIMEOUT 900 RESOURCE_LOCK lunavire_e2e_prefix LABELS "wine;e2e"
    DEPENDS "e2e_links_936;e2e_links_950;e2e_links_discs")
endif()
