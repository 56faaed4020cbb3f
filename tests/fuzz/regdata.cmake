se_fuzzer(fuzz_regdata fuzz_regdata.cpp)
target_link_libraries(fuzz_regdata PRIVATE engine_core)
