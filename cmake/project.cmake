# Build-wide settings: warnings, sanitizers on the host, static runtimes on Windows.

if(WIN32)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  # C++ and gcc runtimes and winpthreads linked in: the binaries import only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_options(-Wall -Wextra)

  # Where the Wine tests run: see tests/win32/CMakeLists.txt.
  set(SE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix of this build tree")
  option(SE_TWIN "This tree is the test tree of a win32 tree" OFF)
  set(SE_SHIPPED_BIN "" CACHE PATH "Test tree only: the win32 tree's bin directory, whose deliverables it tests")
  set(SE_WINE_TEST_ARCH "i686" CACHE STRING "Architecture of the Wine test tree: i686 (the shipped binaries) or x86_64")
  set_property(CACHE SE_WINE_TEST_ARCH PROPERTY STRINGS i686 x86_64)
  set(SE_RUNNER ${PROJECT_SOURCE_DIR}/tools/wine-run)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${SE_RUNNER};--prefix;${SE_WINEPREFIX}")
else()
  add_compile_options(-Wall -Wextra)
  set(SE_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  function(se_sanitize target)
    target_compile_options(${target} PRIVATE ${SE_SANITIZE})
    target_link_options(${target} PRIVATE ${SE_SANITIZE})
  endfunction()
endif()

# Adds the portable sources of a core library twice on the host: sanitised for
# the unit tests and the fuzzers, optimised and plain for the benchmarks.
function(se_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(NOT WIN32)
    se_sanitize(${name})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
    add_library(${name}_bench STATIC ${ARGN})
    target_include_directories(${name}_bench PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name}_bench PRIVATE -O2)
  endif()
endfunction()
