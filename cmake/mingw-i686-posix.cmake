# 32-bit test tree: GoogleTest needs std::mutex, which only the posix thread
# model has in this compiler. Used where the host can execute 32-bit code.
set(SE_WIN_ARCH i686)
set(SE_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
