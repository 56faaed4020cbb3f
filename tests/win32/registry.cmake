# The registry steps of the engine scenarios.
if(SE_TWIN)
  target_sources(se_engine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/registry_steps.cpp)
endif()
