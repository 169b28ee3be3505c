# The floors of src/, from the top: a file may include headers of its own floor and of the floors
# below it, never of one above. Files directly in src/ (the program's entry) are the top floor.
set(CHENGJIAN_FLOORS main ui core grid activex com db desktop picture framework)

# chengjian_upward_includes(<source-dir> <out-var>): every include, quoted or bracketed, in the .h,
# .c and .cpp files under <source-dir> that names a header of a floor above the including file's
# own, as "<file> -> <header>" items (paths relative to <source-dir>), sorted. An include whose
# first path part is not a floor (a system header, a header beside the file) is not judged.
function(chengjian_upward_includes root out_var)
  file(GLOB_RECURSE files RELATIVE ${root} ${root}/*.h ${root}/*.c ${root}/*.cpp)
  set(upward)
  foreach(file IN LISTS files)
    if(file MATCHES "^([^/]+)/")
      set(own ${CMAKE_MATCH_1})
    else()
      set(own main)
    endif()
    list(FIND CHENGJIAN_FLOORS ${own} own_floor)
    if(own_floor EQUAL -1)
      continue()
    endif()
    file(STRINGS ${root}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"](([^<>\"/]+)/[^<>\"]*)[>\"]")
        continue()
      endif()
      set(header ${CMAKE_MATCH_1})
      list(FIND CHENGJIAN_FLOORS ${CMAKE_MATCH_2} header_floor)
      # The list runs from the top: a smaller index is a higher floor.
      if(NOT header_floor EQUAL -1 AND header_floor LESS own_floor)
        list(APPEND upward "${file} -> ${header}")
      endif()
    endforeach()
  endforeach()
  list(SORT upward)
  set(${out_var} "${upward}" PARENT_SCOPE)
endfunction()
