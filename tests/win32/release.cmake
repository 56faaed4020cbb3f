# The release archives (release/): their exact contents with the shipped
# files' PE tables and sums, a C and a C++ program built against the archive's
# header and import library and run under Wine, and a second build from a copy
# of the sources in another folder that must give the same bytes.
if(NOT SE_TWIN)
  set(_release_test bash ${CMAKE_CURRENT_SOURCE_DIR}/release_test.sh)
  set(_args ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  add_test(NAME win32.release_contents COMMAND ${_release_test} contents ${_args} ${CMAKE_OBJDUMP})
  add_test(NAME win32.release_client COMMAND ${_release_test} client ${_args}
           ${CMAKE_C_COMPILER} ${CMAKE_CXX_COMPILER} ${SE_RUNNER} ${SE_WINEPREFIX})
  add_test(NAME win32.release_reproducible COMMAND ${_release_test} reproducible ${_args} ${CMAKE_BUILD_TYPE})
  set_tests_properties(win32.release_contents PROPERTIES FIXTURES_SETUP release)
  set_tests_properties(win32.release_client win32.release_reproducible PROPERTIES FIXTURES_REQUIRED release)
  set_tests_properties(win32.release_reproducible PROPERTIES TIMEOUT 900)
endif()
