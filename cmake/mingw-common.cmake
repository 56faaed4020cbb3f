# Shared part of the mingw-w64 cross toolchains. The including file sets
# SE_WIN_ARCH (i686, x86_64) and SE_THREAD_MODEL (win32, posix).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SE_WIN_ARCH})
set(_triple ${SE_WIN_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-${SE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${_triple}-g++-${SE_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_OBJDUMP ${_triple}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
