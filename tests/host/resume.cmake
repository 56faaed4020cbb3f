se_host_test(resume_host_tests log_capture.cpp resumestate_test.cpp LIBS engine_core)
