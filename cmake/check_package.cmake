# Builds the release with CPack and checks its output folder as it is
# published: the zip, which unpacks to exactly the executable to ship and the
# user guide; that executable beside it, named for the target as the zip is;
# and SHA256SUMS naming exactly those two, which `sha256sum -c` accepts there.
# BUILD is the build tree, EXE the executable to ship (the built one, or its
# signed copy), ZIP the expected package file name.
set(work ${BUILD}/package-check)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/unpacked)
# A multi-configuration build (Visual Studio's) packages the configuration
# that was tested.
set(config "")
if(CONFIG)
  set(config -C ${CONFIG})
endif()
execute_process(COMMAND ${CPACK} -G ZIP ${config} -B ${work} --config ${BUILD}/CPackConfig.cmake
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed OR NOT EXISTS ${work}/${ZIP})
  message(FATAL_ERROR "cpack did not make ${ZIP}:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${work}/${ZIP}
                WORKING_DIRECTORY ${work}/unpacked RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${ZIP} does not unpack")
endif()
file(GLOB_RECURSE files RELATIVE ${work}/unpacked ${work}/unpacked/*)
list(SORT files)
if(NOT files STREQUAL "QuellmarLaunch.exe;USER-GUIDE.txt")
  message(FATAL_ERROR "${ZIP} holds: ${files}")
endif()
file(SHA256 ${EXE} built)
file(SHA256 ${work}/unpacked/QuellmarLaunch.exe packed)
if(NOT built STREQUAL packed)
  message(FATAL_ERROR "the packed QuellmarLaunch.exe is not ${EXE}")
endif()
# Beside the zip, the same executable under the target's name.
string(REGEX REPLACE "[.]zip$" ".exe" bare "${ZIP}")
if(NOT EXISTS ${work}/${bare})
  message(FATAL_ERROR "no ${bare} beside ${ZIP}")
endif()
file(SHA256 ${work}/${bare} bare_hash)
if(NOT bare_hash STREQUAL built)
  message(FATAL_ERROR "${bare} is not ${EXE}")
endif()
# SHA256SUMS in sha256sum's format, the zip and the executable by their names
# in that folder, and nothing else.
file(SHA256 ${work}/${ZIP} zip_hash)
set(expected "${zip_hash}  ${ZIP}\n${bare_hash}  ${bare}\n")
if(NOT EXISTS ${work}/SHA256SUMS)
  message(FATAL_ERROR "no SHA256SUMS beside ${ZIP}")
endif()
file(READ ${work}/SHA256SUMS sums)
if(NOT sums STREQUAL expected)
  message(FATAL_ERROR "SHA256SUMS holds:\n${sums}\ninstead of:\n${expected}")
endif()
# The check a user runs in the folder of the downloads.
find_program(SHA256SUM sha256sum REQUIRED)
execute_process(COMMAND ${SHA256SUM} -c --strict SHA256SUMS WORKING_DIRECTORY ${work}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "sha256sum -c SHA256SUMS fails beside ${ZIP}:\n${output}")
endif()

# Windows line ends, so that every editor shows the lines.
file(READ ${work}/unpacked/USER-GUIDE.txt guide_hex HEX)
string(REGEX REPLACE "0d0a" "" bare "${guide_hex}")
if(bare MATCHES "0a")
  message(FATAL_ERROR "the user guide has a line end without CR")
endif()
file(READ ${work}/unpacked/USER-GUIDE.txt guide)
foreach(number 1 2 3 8 9 10 11 12 13 14 15)
  if(NOT guide MATCHES "\n  ${number} ")
    message(FATAL_ERROR "the user guide does not explain error ${number}")
  endif()
endforeach()
if(NOT guide MATCHES "\n  4-7 ")
  message(FATAL_ERROR "the user guide does not explain errors 4 to 7")
endif()
message(STATUS "${ZIP}: QuellmarLaunch.exe and USER-GUIDE.txt; ${bare} beside it; "
               "sha256sum -c SHA256SUMS passes on both")
