se_host_test(regdata_host_tests log_capture.cpp regdata_test.cpp LIBS engine_core)
