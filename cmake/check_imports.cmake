# Fails unless EXE imports exactly the DLLs of EXPECTED (lower case, sorted, a
# CMake list): KERNEL32.dll and msvcrt.dll for MinGW's build. Reads the import
# table with OBJDUMP, or with MSVC's DUMPBIN where that is given.
if(DUMPBIN)
  execute_process(COMMAND ${DUMPBIN} /nologo /dependents ${EXE} OUTPUT_VARIABLE dump
                  RESULT_VARIABLE failed)
  # The names stand indented, one a line, between these two headings.
  string(REGEX REPLACE ".*has the following dependencies:|\n *Summary.*" "" dump "${dump}")
  string(REGEX MATCHALL "[^ \r\n]+[.][dD][lL][lL]" names "${dump}")
else()
  execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
  list(TRANSFORM names REPLACE "DLL Name: " "")
endif()
if(failed)
  message(FATAL_ERROR "cannot read the import table of ${EXE}")
endif()
list(TRANSFORM names TOLOWER)
list(SORT names)
list(REMOVE_DUPLICATES names)
message(STATUS "${EXE} imports: ${names}")
if(NOT names STREQUAL EXPECTED)
  message(FATAL_ERROR "expected imports ${EXPECTED}, found: ${names}")
endif()
