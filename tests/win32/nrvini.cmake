se_win32_test(se_nrvini_dll_tests nrvini_dll_test.cpp LIBS nrvini_core DEPENDS NRVINI nrvini_com_server nrvini_no_server)

# The drives the debug session and CD-ROM tests use exist only while they run.
# Called once every area has named its test programs and they are registered.
function(_nrvini_drive_tests)
  set(args ${SE_RUNNER} ${SE_WINEPREFIX} ${CMAKE_BINARY_DIR}/nrvini_drives ${_testbin})
  add_test(NAME win32.nrvini_drives_define COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32/wine_drives.sh define ${args})
  add_test(NAME win32.nrvini_drives_remove COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32/wine_drives.sh remove ${args})
  set_tests_properties(win32.nrvini_drives_define PROPERTIES FIXTURES_SETUP nrvini_drives)
  set_tests_properties(win32.nrvini_drives_remove PROPERTIES FIXTURES_CLEANUP nrvini_drives)
  set_tests_properties(win32.se_nrvini_dll_tests PROPERTIES FIXTURES_REQUIRED nrvini_drives)
endfunction()
if(NOT SE_TWIN)
  cmake_language(DEFER CALL _nrvini_drive_tests)
endif()
