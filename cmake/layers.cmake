# One static library per layer, and include paths that let a layer see only its own headers and
# those of the layers it depends on.
#
# Every layer gets a folder of its own in the build tree that mirrors src/ with links to just its
# headers. A target's include path holds that folder and, through its PUBLIC dependencies, the
# folders of the layers below it, so an include of a header from a layer that is not a dependency
# finds no file and fails the build.
set(SARVO_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# Fills `view` with links to the given headers (relative to src/), and nothing else.
function(sarvo_link_headers view)
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(header ${ARGN})
    get_filename_component(dir ${view}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${header} ${view}/${header} SYMBOLIC)
  endforeach()
endfunction()

# sarvo_layer(NAME [INTERFACE] SOURCES files... HEADERS files... PRIVATE_HEADERS files...
#             DEPENDS targets... LIBS libs...)
# Files are relative to src/. Private headers are seen by the layer's own sources only.
function(sarvo_layer name)
  cmake_parse_arguments(L "INTERFACE" "" "SOURCES;HEADERS;PRIVATE_HEADERS;DEPENDS;LIBS" ${ARGN})
  set(view ${SARVO_LAYER_ROOT}/${name})
  set(private_view ${SARVO_LAYER_ROOT}/${name}.private)
  sarvo_link_headers(${view} ${L_HEADERS})
  sarvo_link_headers(${private_view} ${L_PRIVATE_HEADERS})
  if(L_INTERFACE)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${view})
    target_link_libraries(${name} INTERFACE ${L_DEPENDS} ${L_LIBS})
  else()
    list(TRANSFORM L_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/src/)
    add_library(${name} STATIC ${L_SOURCES})
    target_include_directories(${name} PUBLIC ${view} PRIVATE ${private_view})
    target_link_libraries(${name} PUBLIC ${L_DEPENDS} ${L_LIBS})
  endif()
endfunction()

# Files of one folder of src/ matching globs, relative to src/.
function(sarvo_files out)
  set(result)
  foreach(pattern ${ARGN})
    file(GLOB matches CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/${pattern})
    list(APPEND result ${matches})
  endforeach()
  list(SORT result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()
