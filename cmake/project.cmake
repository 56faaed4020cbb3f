# Build-wide settings: warnings, sanitizers on the host, static runtimes on Windows.

# Flags of the tree whose files ship.
macro(se_release_flags)
  # Debug information, for the separate debug archive: gcc generates the same
  # code with it as without.
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-g>)
  # No build paths in the binaries, and no link time in the PE headers, so that
  # two builds of one commit in different folders give the same bytes. The
  # build directory's map comes last so that gcc tries it first where the
  # build directory lies inside the sources.
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
                      $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=.>)
  add_link_options(-Wl,--no-insert-timestamp)
  # Size: a section per function and object, so that the linker drops what
  # nothing calls, in the project's code and in the static runtime alike.
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections> $<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>)
  add_link_options(-Wl,--gc-sections)
  # The runtime's default terminate handler prints the type of an uncaught
  # exception to stderr, demangled: it brings the demangler and, through it,
  # mingw's printf (about 50 KB of the engine). A windowless program has no
  # stderr to read, and the handler ends in abort() all the same, so terminate
  # goes straight to abort().
  add_link_options(-Wl,--defsym,__ZN9__gnu_cxx27__verbose_terminate_handlerEv=_abort)
endmacro()

# Code that catches no exception (the engine and the checker): without
# exceptions gcc leaves out the cleanup paths and their unwind tables; a
# std::bad_alloc from the runtime still ends the program, as it did uncaught.
# Only the shipped tree: a test tree keeps the flags its tests were written for.
function(se_no_exceptions)
  if(WIN32 AND NOT SE_TWIN)
    foreach(target IN LISTS ARGN)
      target_compile_options(${target} PRIVATE -fno-exceptions -fno-asynchronous-unwind-tables)
    endforeach()
  endif()
endfunction()

# A file that ships: into bin/ of the deliverables' tree, with a version
# resource (Explorer's Properties, Version tab) naming the project's version.
function(se_deliverable target file description)
  if(NOT SE_TWIN)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(SE_FILE_TYPE 2)  # VFT_DLL
  else()
    set(SE_FILE_TYPE 1)  # VFT_APP
  endif()
  set(SE_FILE_NAME ${file})
  set(SE_FILE_DESCRIPTION ${description})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()

if(WIN32)
  enable_language(RC)
  option(SE_TWIN "This tree is the test tree of a win32 tree" OFF)
  option(SE_PACKAGE_ONLY "Build only what ships and its package, no tests or benchmarks" OFF)
  set(SE_COMPANY_NAME "" CACHE STRING "CompanyName in the version resource of the shipped files")
  # bin/ of a deliverables' tree holds only what ships (se_deliverable puts it
  # there); its benchmark programs go to test-bin/. A test tree keeps its test
  # programs in bin/, beside its copies of the shipped files.
  if(SE_TWIN)
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  else()
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
  endif()
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  # C++ and gcc runtimes and winpthreads linked in: the binaries import only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Wall> $<$<COMPILE_LANGUAGE:C,CXX>:-Wextra>)
  if(NOT SE_TWIN)
    se_release_flags()
  endif()

  # Where the Wine tests run: see tests/win32/CMakeLists.txt.
  set(SE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix of this build tree")
  set(SE_SHIPPED_BIN "" CACHE PATH "Test tree only: the win32 tree's bin directory, whose deliverables it tests")
  set(SE_WINE_TEST_ARCH "i686" CACHE STRING "Architecture of the Wine test tree: i686 (the shipped binaries) or x86_64")
  set_property(CACHE SE_WINE_TEST_ARCH PROPERTY STRINGS i686 x86_64)
  set(SE_RUNNER ${PROJECT_SOURCE_DIR}/tools/wine-run)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${SE_RUNNER};--prefix;${SE_WINEPREFIX}")
else()
  add_compile_options(-Wall -Wextra)
  option(SE_TOOLS_ONLY "Only the Linux tools, optimised: no sanitizers, tests, fuzzers or benchmarks" OFF)
  set(SE_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  function(se_sanitize target)
    if(SE_TOOLS_ONLY)
      return()
    endif()
    target_compile_options(${target} PRIVATE ${SE_SANITIZE})
    target_link_options(${target} PRIVATE ${SE_SANITIZE})
  endfunction()
endif()

# Adds the portable sources of a core library twice on the host: sanitised for
# the unit tests and the fuzzers, optimised and plain for the benchmarks.
function(se_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(NOT WIN32 AND NOT SE_TOOLS_ONLY)
    se_sanitize(${name})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
    add_library(${name}_bench STATIC ${ARGN})
    target_include_directories(${name}_bench PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name}_bench PRIVATE -O2)
  endif()
endfunction()
