# Path texts of the file commands.
se_host_test(files_host_tests log_capture.cpp files_paths_test.cpp LIBS engine_core)
