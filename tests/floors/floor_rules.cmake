# The floors of src/, from the top: a file may include headers of its own floor and of the floors
# below it, never of one above. Files directly in src/ (the program's entry) are the top floor; every
# folder of src/ is one of the floors below it.
set(CHENGJIAN_FLOORS main ui core grid activex com db desktop picture framework)

# _chengjian_floor_of(<path> <out-var>): the index in CHENGJIAN_FLOORS of the floor that <path>
# (relative to the source root) lies on: 0 (main) for a file directly in the root, the index of
# its first folder otherwise, -1 when that folder is no floor ("main" names the root, no folder).
function(_chengjian_floor_of path out_var)
  if(NOT path MATCHES "^([^/]+)/")
    set(${out_var} 0 PARENT_SCOPE)
    return()
  endif()
  set(folder ${CMAKE_MATCH_1})
  list(FIND CHENGJIAN_FLOORS ${folder} floor)
  if(folder STREQUAL "main")
    set(floor -1)
  endif()
  set(${out_var} ${floor} PARENT_SCOPE)
endfunction()

# _chengjian_inside(<root> <base> <spelled> <out-var> <exists-var>): <spelled> taken from the folder
# <base> with its "." and ".." parts collapsed, as a path relative to <root>, or "" when it leaves
# <root>; <exists-var> says whether a file (not a folder) is there.
function(_chengjian_inside root base spelled out_var exists_var)
  # An absolute spelling stands for itself, as it does for the compiler.
  cmake_path(SET candidate "${base}")
  cmake_path(APPEND candidate "${spelled}")
  cmake_path(NORMAL_PATH candidate)
  set(exists FALSE)
  if(EXISTS "${candidate}" AND NOT IS_DIRECTORY "${candidate}")
    set(exists TRUE)
  endif()
  set(relative "")
  cmake_path(IS_PREFIX root "${candidate}" NORMALIZE inside)
  if(inside)
    file(RELATIVE_PATH relative "${root}" "${candidate}")
  endif()
  set(${out_var} "${relative}" PARENT_SCOPE)
  set(${exists_var} ${exists} PARENT_SCOPE)
endfunction()

# chengjian_upward_includes(<source-dir> <out-var>): what breaks the floors in the .h, .c and .cpp
# files under <source-dir>, sorted, paths relative to <source-dir>:
#   "<file> -> <header>"                  an include that reaches a header of a floor above the
#                                         including file's own;
#   "<file>: folder '<name>' is no floor" a file in a folder of <source-dir> that is no floor (its
#                                         includes are not judged: it has no floor to judge by).
# An include is judged where the compiler finds it, whatever its spelling ("." and ".." collapsed):
#   "x.h"  beside the including file when that file exists there, else from <source-dir> (the
#          include root); judged by the folder of the file found. Found outside <source-dir> (the
#          program's other include folders, system headers), or not found at all: not judged, except
#          a path under a floor's folder that exists nowhere, which is judged by its spelling from
#          <source-dir> (a header made at build time still has its floor).
#   <x.h>  from <source-dir> when its path starts with a floor's folder, judged by that floor, found
#          or not; any other bracketed include (a system header) is not judged.
function(chengjian_upward_includes root out_var)
  cmake_path(ABSOLUTE_PATH root NORMALIZE)
  file(GLOB_RECURSE files RELATIVE "${root}" "${root}/*.h" "${root}/*.c" "${root}/*.cpp")
  set(upward)
  foreach(file IN LISTS files)
    _chengjian_floor_of("${file}" own_floor)
    if(own_floor EQUAL -1)
      string(REGEX REPLACE "/.*" "" no_floor "${file}")
      list(APPEND upward "${file}: folder '${no_floor}' is no floor")
      continue()
    endif()
    get_filename_component(own_folder "${root}/${file}" DIRECTORY)
    file(STRINGS "${root}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      set(header "")
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(spelled "${CMAKE_MATCH_1}")
        _chengjian_inside("${root}" "${own_folder}" "${spelled}" beside beside_exists)
        _chengjian_inside("${root}" "${root}" "${spelled}" from_root from_root_exists)
        if(beside_exists)
          set(header "${beside}")
        elseif(from_root_exists)
          set(header "${from_root}")
        elseif(from_root MATCHES "/")
          set(header "${from_root}")
        endif()
      elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
        _chengjian_inside("${root}" "${root}" "${CMAKE_MATCH_1}" from_root from_root_exists)
        if(from_root MATCHES "/")
          set(header "${from_root}")
        endif()
      endif()
      if(header STREQUAL "")
        continue()
      endif()
      # The list runs from the top: a smaller index is a higher floor. A header in a folder that is
      # no floor is named by that folder's own files.
      _chengjian_floor_of("${header}" header_floor)
      if(header_floor GREATER -1 AND header_floor LESS own_floor)
        list(APPEND upward "${file} -> ${header}")
      endif()
    endforeach()
  endforeach()
  list(SORT upward)
  set(${out_var} "${upward}" PARENT_SCOPE)
endfunction()
