# The Windows console build of the script checker, run under Wine over the
# seeded-fault scripts: its findings must be the Linux build's. (Each run
# costs seconds under emulation, so the examples and scenario scripts are
# left to the host test.)
if(NOT SE_TWIN)
  add_test(NAME setupcheck_win32_cases
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/checker/run.sh cases ${PROJECT_SOURCE_DIR}
                   ${SE_RUNNER} --prefix ${SE_WINEPREFIX} $<TARGET_FILE:setupcheck>)
endif()
if(NOT SE_TWIN)
  add_test(NAME setupcheck_win32_version COMMAND ${SE_RUNNER} --prefix ${SE_WINEPREFIX} $<TARGET_FILE:setupcheck> --version)
  set_tests_properties(setupcheck_win32_version PROPERTIES PASS_REGULAR_EXPRESSION "^setupcheck ${PROJECT_VERSION}\r?\n$")
endif()
