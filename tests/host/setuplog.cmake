# setuplog: single entries from a case table; a fleet made from the engine's
# own log lines, whose counts, CSV and page (in a real browser) are checked.
se_host_test(setuplog_host_tests setuplog_test.cpp log_capture.cpp LIBS setuplog_core)
add_test(NAME setuplog_fleet
         COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/setuplog/fleet.py test ${CMAKE_CURRENT_BINARY_DIR}/fleet $<TARGET_FILE:setuplog>)
