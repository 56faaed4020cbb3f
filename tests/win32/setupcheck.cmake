# The Windows console build of the script checker, run under Wine over the
# examples and the scenario scripts: its findings must be the Linux build's.
if(NOT SE_TWIN)
  add_test(NAME setupcheck_win32_scripts
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/checker/run.sh scripts ${PROJECT_SOURCE_DIR}
                   ${SE_RUNNER} --prefix ${SE_WINEPREFIX} $<TARGET_FILE:setupcheck>)
endif()
