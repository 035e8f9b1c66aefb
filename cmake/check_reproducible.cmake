# Builds the release twice from two copies of the source tree (each a git
# repository with one commit) in folders of different names, in two build
# trees, one after the other and in time zones fourteen hours apart, and fails
# unless both give byte-identical QuellmarLaunch.exe, zip, the executable
# beside the zip and SHA256SUMS, the same executable as BUILT (the one the
# other tests ran), a PE time stamp that is the release's (EPOCH), and no path
# of either tree in what they ship.
#
# SOURCE is the source tree, WORK a scratch folder, GENERATOR, TOOLCHAIN and
# BUILD_TYPE configure the copies as the calling tree was, ZIP is the zip's
# name.
file(REMOVE_RECURSE ${WORK})

# The files of the working tree as git knows them (new ones too); outside a
# git checkout, every file but build trees, installed packages and git's own.
# A checkout that git cannot read stops the check: a glob would take in what
# git ignores.
set(files "")
find_program(GIT git)
if(EXISTS ${SOURCE}/.git)
  if(NOT GIT)
    message(FATAL_ERROR "${SOURCE} is a git checkout, but git was not found")
  endif()
  execute_process(COMMAND ${GIT} ls-files --cached --others --exclude-standard
                  WORKING_DIRECTORY ${SOURCE} OUTPUT_VARIABLE listing ERROR_VARIABLE git_error
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "git cannot list the files of ${SOURCE}: ${git_error}")
  endif()
  string(REPLACE "\n" ";" files "${listing}")
else()
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SOURCE} ${SOURCE}/*)
  list(FILTER files EXCLUDE REGEX "^(build|demo-run|[.]git)/|(^|/)node_modules/")
endif()

# Two trees whose paths differ in length too, so that a path in the output
# would shift the bytes.
set(trees ${WORK}/one ${WORK}/the-second-tree)
set(time_zones UTC0 QLT-14)
set(index 0)
foreach(tree IN LISTS trees)
  list(GET time_zones ${index} time_zone)
  math(EXPR index "${index} + 1")
  foreach(file IN LISTS files)
    if(file AND EXISTS ${SOURCE}/${file} AND NOT IS_DIRECTORY ${SOURCE}/${file})
      get_filename_component(folder ${tree}/source/${file} DIRECTORY)
      file(COPY ${SOURCE}/${file} DESTINATION ${folder})
    endif()
  endforeach()
  # Each copy is a clone's stand-in: one commit, made at the release's time, so
  # that the build takes its time stamp from git as it does from a clone.
  # Without git, SOURCE_DATE_EPOCH tells the configuration instead.
  set(epoch_from_environment SOURCE_DATE_EPOCH=${EPOCH})
  if(GIT)
    set(git ${CMAKE_COMMAND} -E env "GIT_AUTHOR_DATE=@${EPOCH} +0000"
            "GIT_COMMITTER_DATE=@${EPOCH} +0000" ${GIT} -c user.name=reproducible_test
            -c user.email=reproducible_test@localhost -c commit.gpgsign=false)
    execute_process(COMMAND ${git} init -q COMMAND_ERROR_IS_FATAL ANY
                    WORKING_DIRECTORY ${tree}/source)
    execute_process(COMMAND ${git} add -A COMMAND_ERROR_IS_FATAL ANY
                    WORKING_DIRECTORY ${tree}/source)
    execute_process(COMMAND ${git} commit -q --no-verify -m "the source under test"
                    WORKING_DIRECTORY ${tree}/source COMMAND_ERROR_IS_FATAL ANY)
    set(epoch_from_environment --unset=SOURCE_DATE_EPOCH)
  endif()
  set(toolchain "")
  if(TOOLCHAIN)
    string(REPLACE "${SOURCE}/" "${tree}/source/" toolchain "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}")
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${epoch_from_environment} TZ=${time_zone}
            ${CMAKE_COMMAND} -S ${tree}/source -B ${tree}/build -G ${GENERATOR}
            ${toolchain} -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DQUELLMAR_TESTS=OFF
    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed)
    message(FATAL_ERROR "${tree} does not configure:\n${output}")
  endif()
  # The build itself must not depend on SOURCE_DATE_EPOCH in its environment.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=SOURCE_DATE_EPOCH TZ=${time_zone}
                          ${CMAKE_COMMAND} --build ${tree}/build --target package
                  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed)
    message(FATAL_ERROR "${tree} does not build its package:\n${output}")
  endif()
endforeach()

list(GET trees 0 first)
list(GET trees 1 second)
string(REGEX REPLACE "[.]zip$" ".exe" bare "${ZIP}")
set(differ "")
foreach(product QuellmarLaunch.exe ${ZIP} ${bare} SHA256SUMS)
  file(SHA256 ${first}/build/${product} one)
  file(SHA256 ${second}/build/${product} two)
  if(NOT one STREQUAL two)
    list(APPEND differ ${product})
  endif()
endforeach()
if(differ)
  list(JOIN differ ", " differ)
  message(FATAL_ERROR "the two builds differ in: ${differ}")
endif()
file(SHA256 ${BUILT} built)
foreach(product QuellmarLaunch.exe ${bare})
  file(SHA256 ${first}/build/${product} rebuilt)
  if(NOT rebuilt STREQUAL built)
    message(FATAL_ERROR "the rebuilt ${product} differs from ${BUILT}")
  endif()
endforeach()

# IMAGE_FILE_HEADER.TimeDateStamp, 8 bytes into the PE header that e_lfanew
# points to.
set(exe ${first}/build/QuellmarLaunch.exe)
file(READ ${exe} pe_offset OFFSET 60 LIMIT 4 HEX)
string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" pe_offset "${pe_offset}")
math(EXPR stamp_offset "0x${pe_offset} + 8")
file(READ ${exe} stamp OFFSET ${stamp_offset} LIMIT 4 HEX)
string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" stamp "${stamp}")
math(EXPR stamp "0x${stamp}")
if(NOT stamp EQUAL EPOCH)
  message(FATAL_ERROR "the PE time stamp is ${stamp}, not the release's ${EPOCH}")
endif()

# No path of either tree in the executable or in what the zip unpacks to, in
# single-byte or UTF-16 text.
set(unpacked ${WORK}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${first}/build/${ZIP}
                WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${ZIP} does not unpack")
endif()
file(GLOB shipped ${unpacked}/*)
list(APPEND shipped ${first}/build/${bare})
foreach(file IN LISTS shipped)
  file(READ ${file} content HEX)
  foreach(tree IN LISTS trees)
    foreach(path ${tree}/source ${tree}/build)
      string(HEX "${path}" narrow)
      string(REGEX REPLACE "(..)" "\\100" wide "${narrow}")
      string(FIND "${content}" "${narrow}" at_narrow)
      string(FIND "${content}" "${wide}" at_wide)
      if(at_narrow GREATER_EQUAL 0 OR at_wide GREATER_EQUAL 0)
        get_filename_component(name ${file} NAME)
        message(FATAL_ERROR "${name} holds the path ${path}")
      endif()
    endforeach()
  endforeach()
endforeach()

file(REMOVE_RECURSE ${WORK})
message(STATUS "two builds in ${first} and ${second}: the same QuellmarLaunch.exe, ${ZIP}, "
               "${bare} and SHA256SUMS, time stamp ${EPOCH}")
