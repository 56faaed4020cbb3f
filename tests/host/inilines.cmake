# Parameter lines of the INI-editing commands.
se_host_test(inilines_host_tests log_capture.cpp inilines_test.cpp LIBS engine_core)
