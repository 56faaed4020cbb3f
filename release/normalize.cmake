# Run by cpack on each archive it made (CPACK_PACKAGE_FILES): the time of every
# entry becomes the commit's, and the access and change times that the ZIP
# writer copies from the staged files go, so that two builds of one commit give
# the same bytes whenever and wherever they are made. The time is
# SOURCE_DATE_EPOCH when set, else the commit time of the sources.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C ${CPACK_SE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0 OR epoch STREQUAL "")
    message(FATAL_ERROR "no commit time for the archives: set SOURCE_DATE_EPOCH")
  endif()
endif()
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND strip-nondeterminism --type zip --timestamp ${epoch} ${zip} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
