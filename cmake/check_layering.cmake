# cmake -DFILES=<src/files> -P check_layering.cmake
# Fails when a source of the file layer includes a header of the launcher, the
# console or the command runner, which are built on it.
file(GLOB sources "${FILES}/*.h" "${FILES}/*.cc")
if(NOT sources)
  message(FATAL_ERROR "no sources in ${FILES}")
endif()
set(found "")
foreach(source ${sources})
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](launcher|console|command)/")
  foreach(include ${includes})
    get_filename_component(name "${source}" NAME)
    string(APPEND found "\n  ${name}: ${include}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "The file layer includes what is built on it:${found}")
endif()
