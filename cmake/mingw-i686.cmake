# 32-bit Windows: the deliverables.
set(SE_WIN_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
