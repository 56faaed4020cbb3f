# The registry steps of the engine scenarios.
if(SE_TWIN)
  target_sources(se_engine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/registry_steps.cpp)
endif()
if(SE_TWIN)
  # SE_BLESS=1 writes the expectations back into the scenarios of the source tree.
  target_compile_definitions(se_engine_tests PRIVATE SE_SCENARIO_SOURCE="${PROJECT_SOURCE_DIR}/tests/scenarios")
endif()
