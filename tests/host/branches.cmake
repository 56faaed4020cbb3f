# The portable texts of the branch, program and message commands.
se_host_test(branch_host_tests log_capture.cpp branch_text_test.cpp LIBS engine_core)
