# cmake -DCOMPILER=.. -DINCLUDES=a|b -DOWN=header -DHIGHER=h1|h2 -DWORK=dir -P upward_include.cmake
#
# Compiles one-line sources with the include path INCLUDES: one including
# OWN must compile, each including a header of HIGHER must fail because the
# header is not found (not for any other reason).

string(REPLACE "|" ";" includes "${INCLUDES}")
string(REPLACE "|" ";" higher "${HIGHER}")
set(flags -std=c++20 -fsyntax-only -x c++)
foreach(dir IN LISTS includes)
  list(APPEND flags -I${dir})
endforeach()
file(MAKE_DIRECTORY ${WORK})

function(compile header result output)
  string(MAKE_C_IDENTIFIER ${header} name)
  set(source ${WORK}/${name}.cpp)
  file(WRITE ${source} "#include \"${header}\"\n")
  execute_process(COMMAND ${COMPILER} ${flags} ${source}
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${result} ${code} PARENT_SCOPE)
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

compile(${OWN} code out)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the layer's own header ${OWN} does not compile:\n${out}")
endif()
foreach(header IN LISTS higher)
  compile(${header} code out)
  if(code EQUAL 0)
    message(FATAL_ERROR "${header} is reachable from this layer")
  endif()
  if(NOT out MATCHES "No such file or directory|file not found")
    message(FATAL_ERROR "${header} failed for another reason than not being found:\n${out}")
  endif()
endforeach()
message(STATUS "${OWN} compiles; not found: ${HIGHER}")
