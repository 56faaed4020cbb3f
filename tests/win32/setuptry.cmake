# setuptry on the example script and the scripts of tests/setuptry, on all five
# Windows families, against their expected reports; its page in headless
# Chromium. It runs the shipped engine of this tree and the host build's
# setupcheck (build the host preset first).
if(NOT SE_TWIN)
  add_test(NAME win32.setuptry COMMAND bash ${PROJECT_SOURCE_DIR}/tests/setuptry/run.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(win32.setuptry PROPERTIES TIMEOUT 900)
endif()
