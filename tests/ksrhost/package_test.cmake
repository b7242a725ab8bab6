# The release package: builds the ZIP with CPack into a scratch folder, checks
# that it holds every file the users get, byte for byte as built, and that the
# unpacked host runs against the unpacked module.
#   cmake -DCPACK=... -DCONFIG=<build>/CPackConfig.cmake -DWORK=<scratch>
#         -DBUILD=<build> -DHOST=ksrhost[.exe] -DMODULE=ksr.dll|libksr.so
#         -DHELP=0|1 [-DRUNNER=wine] -P package_test.cmake

cmake_policy(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CPACK} --config ${CONFIG} -B ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}\n${err}")
endif()
file(GLOB zips ${WORK}/*.zip)
list(LENGTH zips count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one ZIP in ${WORK}, found: ${zips}")
endif()
# The ZIP's one top folder carries its name.
get_filename_component(top ${zips} NAME)
string(REGEX REPLACE "\\.zip$" "" top "${top}")

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zips} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list ${zips}")
endif()
string(REPLACE "\n" ";" entries "${listing}")
set(expected ${MODULE} ${HOST} render_map.py render_splay.py README.txt
    examples/ksr12_flown.json examples/ksr12_flown.velt examples/ksr16_long_throw.json
    examples/ksr6_ground_stacked.json examples/ksr6_ground_stacked.velt examples/ksr6_needs_repair.json
    examples/hall_left_right.json)
if(HELP)
  list(APPEND expected ksr_help.pdf)
endif()
set(missing "")
foreach(file IN LISTS expected)
  list(FIND entries "${top}/${file}" index)
  if(index EQUAL -1)
    list(APPEND missing ${file})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${zips} lacks: ${missing}\nIt holds:\n${listing}")
endif()

set(unpacked ${WORK}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zips} WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${zips}")
endif()
set(folder ${unpacked}/${top})
foreach(file ${MODULE} ${HOST})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${folder}/${file} ${BUILD}/${file} RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${file} in the package differs from the one built")
  endif()
endforeach()

execute_process(COMMAND ${RUNNER} ${folder}/${HOST} predict ${folder}/examples/ksr12_flown.velt
                        --seat 0,-20,1.2 --format summary
                WORKING_DIRECTORY ${folder} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "dB\\(A\\)")
  message(FATAL_ERROR "the unpacked ${HOST} did not predict:\n${out}\n${err}")
endif()
message(STATUS "${zips} holds: ${expected}")
