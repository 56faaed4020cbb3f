se_fuzzer(fuzz_nrvini fuzz_nrvini.cpp)
target_link_libraries(fuzz_nrvini PRIVATE nrvini_core)
