# Sets QUELLMAR_SOURCE_DATE_EPOCH, the one time stamp that goes into a release
# (the executable's PE header, the zip's entries), so that the same commit
# builds the same bytes anywhere and at any time: SOURCE_DATE_EPOCH when the
# environment sets it, as reproducible-build tooling does; otherwise the time
# of the last commit of the source tree; and for a tree outside git a fixed
# date. Never the clock.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not \"$ENV{SOURCE_DATE_EPOCH}\"")
  endif()
  set(QUELLMAR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
  set(quellmar_epoch_origin "SOURCE_DATE_EPOCH")
else()
  set(QUELLMAR_SOURCE_DATE_EPOCH 315532800) # 1980-01-01 UTC
  set(quellmar_epoch_origin "no commit time from git, no SOURCE_DATE_EPOCH: 1980-01-01")
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    get_filename_component(top "${top}" REALPATH)
    get_filename_component(here "${PROJECT_SOURCE_DIR}" REALPATH)
    # Only the project's own history counts, not that of a repository that
    # happens to hold an unpacked source tree.
    if(NOT failed AND top STREQUAL here)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE failed ERROR_QUIET)
      if(NOT failed AND commit_time MATCHES "^[0-9]+$")
        set(QUELLMAR_SOURCE_DATE_EPOCH ${commit_time})
        set(quellmar_epoch_origin "the last commit")
      endif()
      # A new commit or checkout moves HEAD's reflog: configure again then,
      # so that an incremental build takes the new time stamp too.
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE failed ERROR_QUIET)
      if(NOT failed AND EXISTS "${head_log}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${head_log}")
      endif()
    endif()
  endif()
endif()
message(STATUS "Release time stamp: ${QUELLMAR_SOURCE_DATE_EPOCH} (${quellmar_epoch_origin})")
