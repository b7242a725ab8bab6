# cmake -DSOURCE_DIR=.. -P relative_include.cmake
#
# The layers' include paths keep upward includes out, but a quoted include
# is looked up beside the including file first, so "../exports/ksr.h" would
# slip past them. No source of a layer climbs out of its folder that way.

set(offenders "")
foreach(folder data model design exchange exports dialog)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.S)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]*\\.\\./")
    foreach(line IN LISTS lines)
      list(APPEND offenders "${source}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n" text)
  message(FATAL_ERROR "includes that climb out of their layer's folder:\n${text}")
endif()
