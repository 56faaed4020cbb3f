# 64-bit twin of the Windows build, used only to run the Wine tests on hosts
# whose kernel cannot execute 32-bit code.
set(SE_WIN_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
