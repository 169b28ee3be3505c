# cmake -DSOURCE_DIR=<src> -P check_floors.cmake: fails, naming each one, when a file of the
# program includes a header of a floor above its own or lies in a folder that is no floor.
include(${CMAKE_CURRENT_LIST_DIR}/floor_rules.cmake)
chengjian_upward_includes(${SOURCE_DIR} upward)
if(upward)
  list(JOIN upward "\n  " shown)
  message(FATAL_ERROR "Includes that point up the floors (${CHENGJIAN_FLOORS}), and files on none:\n  ${shown}")
endif()
