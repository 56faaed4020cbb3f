# 64-bit test tree, used to run the Wine tests on hosts whose kernel cannot
# execute 32-bit code.
set(SE_WIN_ARCH x86_64)
set(SE_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
