# The disc installation, the patch runs and the uninstaller once more, in a
# second prefix that reports Windows 10 (winecfg -v win10, set once by
# prepare-prefix.sh from LUNAVIRE_WINDOWS); the prefix above reports Wine's
# default, Windows 7.  Included at the end of CMakeLists.txt, which defines
# what is used here.
#
# Each test has its own prefix, artifacts folder and disc folders, and a lock
# of the second prefix's own: it may run beside the Windows 7 tests (each Wine
# run brings its own Xvfb and wineserver).  The shortcuts are not read again
# from Linux (e2e_links_*): the same Wine writes them in the same Programs
# folder whatever version the prefix reports.
if(NOT TARGET Setup)
  return()
endif()

set(w10_prefix ${CMAKE_CURRENT_BINARY_DIR}/wineprefix-win10)
set(w10_artifacts ${e2e_artifacts}/win10)
set(w10_run --prefix ${w10_prefix} --artifacts ${w10_artifacts} --exe $<TARGET_FILE:Setup>
  -- $<TARGET_FILE:e2e_feature_tests>)

function(lunavire_win10_test name)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "LUNAVIRE_LOCALE=zh_CN.UTF-8;LUNAVIRE_WINDOWS=win10"
    TIMEOUT 900 RESOURCE_LOCK lunavire_e2e_prefix_win10 LABELS "wine;e2e")
endfunction()

set(w10_discs ${CMAKE_CURRENT_BINARY_DIR}/discs-win10)
lunavire_windows_path(w10_manifest_win ${w10_discs}/manifest.tsv)
add_test(NAME e2e_discs_936_win10
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/disc-e2e.sh --discs ${w10_discs} --dist $<TARGET_FILE_DIR:Setup>
    -- ${w10_run} --discs=${w10_manifest_win} --gtest_filter=Discs936.*)
lunavire_win10_test(e2e_discs_936_win10)

# The patch suite of e2e_features_936 (patch_test.cpp, patch_safety_test.cpp).
add_test(NAME e2e_patch_936_win10
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-e2e.sh ${w10_run} --payloads=${payloads_win} --gtest_filter=Patch936.*)
lunavire_win10_test(e2e_patch_936_win10)

# After the two above, as on the first prefix: it takes away Start-menu
# shortcuts of the names they make.
set(w10_uninstall_discs ${CMAKE_CURRENT_BINARY_DIR}/discs-uninstall-win10)
lunavire_windows_path(w10_uninstall_manifest_win ${w10_uninstall_discs}/manifest.tsv)
add_test(NAME e2e_uninstall_936_win10
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/disc-e2e.sh --discs ${w10_uninstall_discs} --dist $<TARGET_FILE_DIR:Setup>
    -- ${w10_run} --discs=${w10_uninstall_manifest_win} --gtest_filter=DiscsUninstall936.*)
lunavire_win10_test(e2e_uninstall_936_win10)
set_tests_properties(e2e_uninstall_936_win10 PROPERTIES DEPENDS "e2e_discs_936_win10;e2e_patch_936_win10")

# The unattended installation, patch and removal too (Silent.cmake makes the
# test program); last, since it makes and takes away shortcuts of the same names.
set(w10_silent_discs ${CMAKE_CURRENT_BINARY_DIR}/discs-silent-win10)
lunavire_windows_path(w10_silent_manifest_win ${w10_silent_discs}/manifest.tsv)
add_test(NAME e2e_silent_936_win10
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/disc-e2e.sh --discs ${w10_silent_discs} --dist $<TARGET_FILE_DIR:Setup>
    -- --prefix ${w10_prefix} --artifacts ${w10_artifacts} --exe $<TARGET_FILE:Setup>
    -- $<TARGET_FILE:e2e_silent_tests> --discs=${w10_silent_manifest_win} --payloads=${payloads_win}
      --gtest_filter=Silent936.InstallPatchAndRemoveWithoutAWindow)
lunavire_win10_test(e2e_silent_936_win10)
set_tests_properties(e2e_silent_936_win10 PROPERTIES DEPENDS "e2e_uninstall_936_win10")
