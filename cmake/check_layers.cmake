# The program's layers, lowest first. A source in one layer's folder under
# src/ may include headers of its own layer and of the layers below it, never
# of a layer above it or beside it, even a header that holds only constants:
# the libraries' link order cannot see such an include, so this check does.
# Run at configure time and, as a script, whenever a source changes:
#   cmake -DUPGRADE_SOURCE_ROOT=DIR -P check_layers.cmake
set(upgrade_layers
  "shared"
  "platform"
  "files"
  "log"
  "engine"
  "launch"
  "removal|install"
  "driver")

function(upgrade_check_layers source_root)
  get_filename_component(source_root "${source_root}" ABSOLUTE)
  set(rank 0)
  foreach(level IN LISTS upgrade_layers)
    string(REPLACE "|" ";" folders "${level}")
    foreach(folder IN LISTS folders)
      set(rank_of_${folder} ${rank})
    endforeach()
    math(EXPR rank "${rank} + 1")
  endforeach()
  set(climbing "")
  file(GLOB_RECURSE sources RELATIVE "${source_root}" "${source_root}/*.h" "${source_root}/*.cpp")
  foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" layer "${source}")
    if(NOT DEFINED rank_of_${layer})
      list(APPEND climbing "${source}: its folder is no layer")
      continue()
    endif()
    file(STRINGS "${source_root}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"/]+)/.*$" "\\1" included "${line}")
      if(included STREQUAL layer)
        continue()
      endif()
      if(NOT DEFINED rank_of_${included} OR NOT rank_of_${included} LESS rank_of_${layer})
        string(STRIP "${line}" line)
        list(APPEND climbing "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
  if(climbing)
    list(JOIN climbing "\n  " listed)
    message(FATAL_ERROR "An include climbs the layers (${upgrade_layers}, lowest first):\n  ${listed}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  upgrade_check_layers("${UPGRADE_SOURCE_ROOT}")
endif()
