# The engine with a fault seam in front of its system calls, for the kill-point
# enumeration; the deliverable has no seam.
if(SE_TWIN)
  add_executable(setupengine_faults WIN32 faultseam.cpp)
  target_link_libraries(setupengine_faults PRIVATE engine_run user32 advapi32)
endif()
se_win32_test(se_kill_point_tests TIMEOUT 3000 kill_points_test.cpp DEPENDS setupengine setupengine_faults)
