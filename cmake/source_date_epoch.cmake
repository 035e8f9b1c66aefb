# Sets QUELLMAR_SOURCE_DATE_EPOCH, the one time stamp that goes into a release
# (the executable's PE header, the zip's entries), so that the same commit
# builds the same bytes anywhere and at any time: SOURCE_DATE_EPOCH when the
# environment sets it, as reproducible-build tooling does; otherwise, in a git
# checkout of the project, the time of its last commit; and for a tree outside
# git (an unpacked archive, even inside another repository) a fixed date.
# Never the clock.
#
# A checkout that git cannot read (git missing, or refusing a folder that
# another user owns: "dubious ownership") stops the configuration: a release
# built from it would carry the fixed date instead of its commit's, and differ
# from the same commit built elsewhere.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not \"$ENV{SOURCE_DATE_EPOCH}\"")
  endif()
  set(QUELLMAR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
  set(quellmar_epoch_origin "SOURCE_DATE_EPOCH")
elseif(EXISTS ${PROJECT_SOURCE_DIR}/.git)
  set(unreadable "${PROJECT_SOURCE_DIR} is a git checkout, but")
  set(remedy "the release's time stamp is its last commit's; make git read it, or set "
             "SOURCE_DATE_EPOCH")
  find_package(Git QUIET)
  if(NOT GIT_FOUND)
    message(FATAL_ERROR "${unreadable} git was not found: ${remedy}")
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_VARIABLE git_error ERROR_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed)
  if(failed OR NOT commit_time MATCHES "^[0-9]+$")
    message(FATAL_ERROR "${unreadable} ${GIT_EXECUTABLE} cannot read it (${git_error}): ${remedy}")
  endif()
  set(QUELLMAR_SOURCE_DATE_EPOCH ${commit_time})
  set(quellmar_epoch_origin "the last commit")
  # A new commit or checkout moves HEAD's reflog: configure again then, so
  # that an incremental build takes the new time stamp too. git names it
  # relative to the checkout, or in full for a worktree.
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path logs/HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  get_filename_component(head_log "${head_log}" ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
  if(NOT failed AND EXISTS "${head_log}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${head_log}")
  endif()
else()
  set(QUELLMAR_SOURCE_DATE_EPOCH 315532800) # 1980-01-01 UTC
  set(quellmar_epoch_origin "no git checkout, no SOURCE_DATE_EPOCH: 1980-01-01")
endif()
message(STATUS "Release time stamp: ${QUELLMAR_SOURCE_DATE_EPOCH} (${quellmar_epoch_origin})")
