# 32-bit Windows: the deliverables. The win32 thread model keeps the static C++
# runtime on the Win32 calls that Windows 95 to XP all have; the posix model
# would bring winpthreads and with it imports such as GetTickCount64, which
# none of those systems can load.
set(SE_WIN_ARCH i686)
set(SE_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
