# Makes lib/NRVINI.def and lib/libNRVINI.dll.a from the export list the linker
# wrote for NRVINI.dll, whose lines read "Name = Name@N @ordinal".
#   cmake -DEXPORTS=<linker's list> -DOUT=<lib dir> -DDLLTOOL=<dlltool> -P import_library.cmake
# The .def names every function as a caller's compiler does for a __stdcall
# function (Name@N, N the bytes of its arguments); dlltool -k makes import
# symbols _Name@N that load the undecorated export Name. dlltool names the
# import descriptor after the library's path and its members after the process
# id, so it is given a relative path and a fixed prefix.
file(STRINGS ${EXPORTS} lines REGEX "=")
set(def "LIBRARY NRVINI.dll\nEXPORTS\n")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "= *([A-Za-z_][A-Za-z0-9_]*@[0-9]+)")
    message(FATAL_ERROR "${EXPORTS}: not a __stdcall export: ${line}")
  endif()
  string(APPEND def "    ${CMAKE_MATCH_1}\n")
endforeach()
file(MAKE_DIRECTORY ${OUT})
file(WRITE ${OUT}/NRVINI.def "${def}")
file(REMOVE ${OUT}/libNRVINI.dll.a)
set(ENV{SOURCE_DATE_EPOCH} 0)  # no time in the objects' headers
execute_process(COMMAND ${DLLTOOL} -k -d NRVINI.def -D NRVINI.dll -l libNRVINI.dll.a -t nrvini
                WORKING_DIRECTORY ${OUT} COMMAND_ERROR_IS_FATAL ANY)
