# The script checker over its seeded-fault scripts, the examples and the
# scenario scripts, against the findings each set expects.
foreach(_set cases scripts)
  add_test(NAME setupcheck_${_set}
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/checker/run.sh ${_set} ${PROJECT_SOURCE_DIR} $<TARGET_FILE:setupcheck>)
endforeach()
add_test(NAME setupcheck_version COMMAND setupcheck --version)
set_tests_properties(setupcheck_version PROPERTIES PASS_REGULAR_EXPRESSION "^setupcheck ${PROJECT_VERSION}\n$")
se_host_test(command_table_tests command_table_test.cpp ${PROJECT_SOURCE_DIR}/checker/no_log.cpp LIBS setupcheck_core)
target_compile_definitions(command_table_tests PRIVATE SE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# The README shows the example script exactly as the file is.
add_test(NAME readme_example COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/checker/readme_example.py ${PROJECT_SOURCE_DIR})
