# The module's layers, lowest first: data <- model <- design <- exchange <-
# exports and dialog. Each layer is a static library whose include path holds
# only its own folders, as links in a folder of the build tree; linking a lower
# layer adds that layer's folders. So a layer sees itself and what lies below
# it, and an include of a higher layer's header does not build.
#
#   ksr_layer(<target> <folder>...)

function(ksr_layer target)
  set(include_dir ${PROJECT_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${include_dir})
  file(MAKE_DIRECTORY ${include_dir})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${include_dir}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${include_dir})
endfunction()
