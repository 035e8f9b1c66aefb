# Builds the zip with CPack and checks that it unpacks to exactly the
# executable to ship and the user guide, and that SHA256SUMS names both. BUILD
# is the build tree, EXE the executable to ship (the built one, or its signed
# copy), ZIP the expected package file name.
set(work ${BUILD}/package-check)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/unpacked)
execute_process(COMMAND ${CPACK} -G ZIP -B ${work} --config ${BUILD}/CPackConfig.cmake
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
# SHA256SUMS beside the zip, in sha256sum's format: the zip, and the
# executable under the name it has when the zip is unpacked into a folder named
# after it.
string(REGEX REPLACE "[.]zip$" "" folder "${ZIP}")
file(SHA256 ${work}/${ZIP} zip_hash)
set(expected "${zip_hash}  ${ZIP}\n${packed}  ${folder}/QuellmarLaunch.exe\n")
if(NOT EXISTS ${work}/SHA256SUMS)
  message(FATAL_ERROR "no SHA256SUMS beside ${ZIP}")
endif()
file(READ ${work}/SHA256SUMS sums)
if(NOT sums STREQUAL expected)
  message(FATAL_ERROR "SHA256SUMS holds:\n${sums}\ninstead of:\n${expected}")
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
message(STATUS "${ZIP}: QuellmarLaunch.exe and USER-GUIDE.txt; SHA256SUMS names it and the executable")
