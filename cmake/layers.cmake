# The layers of src/: each folder is one library that sees only the folders
# that the table in docs/architecture.md lets it include (and what those
# include in turn), so that a forbidden include fails to compile.
# scripts/check-includes.py reads the same table.

file(REMOVE_RECURSE ${PROJECT_BINARY_DIR}/layers)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/architecture.md)
file(STRINGS ${PROJECT_SOURCE_DIR}/docs/architecture.md _layer_rows REGEX "^\\| `src/[a-z0-9/]+/` \\|")
set(LUMAREL_LAYERS "")
foreach(row IN LISTS _layer_rows)
  string(REGEX MATCH "^\\| `src/([a-z0-9/]+)/` \\| ([^|]*)\\|" _ "${row}")
  set(_folder ${CMAKE_MATCH_1})
  string(REGEX REPLACE "\\(.*\\)" "" _allowed "${CMAKE_MATCH_2}")
  string(REGEX REPLACE "[ ,]+" ";" _allowed "${_allowed}")
  list(REMOVE_ITEM _allowed "" "nothing")
  list(APPEND LUMAREL_LAYERS ${_folder})
  set(_layer_allows_${_folder} ${_allowed})
endforeach()
if(NOT LUMAREL_LAYERS)
  message(FATAL_ERROR "docs/architecture.md has no table of the folders and what they may include")
endif()

# What a folder sees: itself and everything it may include, directly or not.
function(_layer_closure folder result)
  set(seen ${folder})
  set(pending ${_layer_allows_${folder}})
  while(pending)
    list(POP_FRONT pending next)
    if(NOT next IN_LIST seen)
      list(APPEND seen ${next})
      list(APPEND pending ${_layer_allows_${next}})
    endif()
  endwhile()
  set(${result} ${seen} PARENT_SCOPE)
endfunction()

# lumarel_layer(FOLDER SOURCES...): the folder's library, lumarel_FOLDER
# with "/" as "_" (lumarel_linux_x11), built with an include folder of links
# to the folders it sees, and linked with the libraries of the folders it
# may include. Lower layers come first; folders without a library here (the
# platform on Windows, resources) are skipped.
function(lumarel_layer folder)
  if(NOT folder IN_LIST LUMAREL_LAYERS)
    message(FATAL_ERROR "src/${folder}/ is not in the table of docs/architecture.md")
  endif()
  string(REPLACE "/" "_" target lumarel_${folder})
  add_library(${target} STATIC ${ARGN})
  lumarel_sees(${target} ${folder})
  foreach(name IN LISTS _layer_allows_${folder})
    string(REPLACE "/" "_" library lumarel_${name})
    if(TARGET ${library})
      target_link_libraries(${target} PUBLIC ${library})
    endif()
  endforeach()
endfunction()

# A target sees what the folder's layer sees (a program or test of its own
# says which folder it belongs with).
function(lumarel_sees target folder)
  _layer_closure(${folder} seen)
  set(view ${PROJECT_BINARY_DIR}/layers/${folder})
  foreach(name IN LISTS seen)
    if(name STREQUAL "resources")
      target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources ${PROJECT_BINARY_DIR}/generated)
    elseif(NOT EXISTS ${view}/${name})
      get_filename_component(parent ${view}/${name} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${view}/${name} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()
