# CPack runs this after it has made the zips (CPACK_POST_BUILD_SCRIPTS), and
# before it copies them to the output directory.
#
# CPack's own zip depends on who builds and where: entries carry the builder's
# user and group, file times, and come in the order the file system lists the
# staging directory. So each zip is made again from the staged files with
# Info-ZIP's zip: entries sorted by name, no extra fields (-X: no owner, no
# Unix times), the one release time stamp as the DOS time of every entry,
# taken in UTC so that the time zone does not matter, and fixed permissions.
#
# Then the output directory is laid out as the release is published: beside
# each zip the executable it holds (the signed one when signing), named for its
# target as the zip is (QuellmarLaunch-1.0.0-win64.zip ->
# QuellmarLaunch-1.0.0-win64.exe), for those who want the bare program; and
# SHA256SUMS, in sha256sum's format, with a line for each of those files by
# its name alone, so that a plain `sha256sum -c SHA256SUMS` passes in the
# folder of the downloads.

set(epoch ${CPACK_QUELLMAR_SOURCE_DATE_EPOCH})
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no release time stamp in the CPack configuration")
endif()
# A zip holds no time before 1980.
if(epoch LESS 315532800)
  set(epoch 315532800)
endif()

find_program(QUELLMAR_ZIP zip)
find_program(QUELLMAR_TOUCH touch)
set(staged ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE ${staged} ${staged}/*)
list(SORT entries)
if(QUELLMAR_ZIP AND QUELLMAR_TOUCH)
  foreach(entry IN LISTS entries)
    if(entry MATCHES "[.]exe$")
      file(CHMOD ${staged}/${entry} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
           GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    else()
      file(CHMOD ${staged}/${entry} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
  endforeach()
  execute_process(COMMAND ${QUELLMAR_TOUCH} -d @${epoch} -- ${entries}
                  WORKING_DIRECTORY ${staged} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot set the time stamps of the packaged files")
  endif()
  foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "[.]zip$")
      message(WARNING "${package} is no zip: left as CPack made it")
      continue()
    endif()
    file(REMOVE ${package})
    # ZIP and ZIPOPT would add options of the builder's own.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=ZIP --unset=ZIPOPT TZ=UTC0
                            ${QUELLMAR_ZIP} -X -D -9 -q ${package} ${entries}
                    WORKING_DIRECTORY ${staged} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "zip could not make ${package}")
    endif()
  endforeach()
else()
  message(WARNING "Info-ZIP's zip or touch is missing: the zip is CPack's own, which differs "
                  "from build to build (tools/setup-debian.sh installs them)")
endif()

set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  string(REGEX REPLACE "[.]zip$" "" base "${name}")
  file(SHA256 ${package} hash)
  string(APPEND sums "${hash}  ${name}\n")
  # The bare executable is taken out of the zip itself, so that it cannot
  # differ from the one in the zip.
  set(unpacked ${CPACK_TOPLEVEL_DIRECTORY}/bare/${base})
  file(REMOVE_RECURSE ${unpacked})
  file(MAKE_DIRECTORY ${unpacked})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${package}
                  WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${name} does not unpack")
  endif()
  if(NOT EXISTS ${unpacked}/QuellmarLaunch.exe)
    message(FATAL_ERROR "${name} holds no QuellmarLaunch.exe")
  endif()
  set(bare ${CPACK_PACKAGE_DIRECTORY}/${base}.exe)
  file(REMOVE ${bare})
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy ${unpacked}/QuellmarLaunch.exe ${bare}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot write ${bare}")
  endif()
  file(SHA256 ${bare} hash)
  string(APPEND sums "${hash}  ${base}.exe\n")
  file(REMOVE_RECURSE ${unpacked})
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
message(STATUS "the bare executable and SHA256SUMS written to ${CPACK_PACKAGE_DIRECTORY}")
