# Ten trials of killed runs; each is a whole engine run, minutes on an emulated, busy machine.
se_win32_test(se_resume_torture_tests TIMEOUT 2400 resume_torture_test.cpp DEPENDS setupengine)
