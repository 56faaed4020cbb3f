# Command 17's boxes on a real (Xvfb) display.
se_win32_test(se_message_box_tests XVFB message_box_test.cpp DEPENDS setupengine)
