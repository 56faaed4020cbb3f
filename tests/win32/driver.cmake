# The driver operations: the 9x back end against a fake device behind the
# device exchange, the NT back end against the stand-in TSLMGMT.SYS that Wine's
# driver host loads as the service TSLMgmt12.
se_win32_test(se_driver_tests driver_test.cpp LIBS engine_win advapi32 DEPENDS se_driver_standins)
if(SE_TWIN)
  # Scenario runs find the stand-in driver files beside the engine.
  add_dependencies(se_engine_tests se_driver_standins)
endif()
