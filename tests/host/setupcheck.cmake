# The script checker over its seeded-fault scripts, the examples and the
# scenario scripts, against the findings each set expects.
foreach(_set cases scripts)
  add_test(NAME setupcheck_${_set}
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/checker/run.sh ${_set} ${PROJECT_SOURCE_DIR} $<TARGET_FILE:setupcheck>)
endforeach()
add_test(NAME setupcheck_version COMMAND setupcheck --version)
set_tests_properties(setupcheck_version PROPERTIES PASS_REGULAR_EXPRESSION "^setupcheck ${PROJECT_VERSION}\n$")
