# cmake -DWORK_DIR=<folder> -P check_floor_rules.cmake: the floor rule judged on small trees
# written into <folder>, each with the upward includes and floorless files it must find.
include(${CMAKE_CURRENT_LIST_DIR}/floor_rules.cmake)

set(failures)
# check_case(<name> <expected items, ";"-separated> <file> <content> [<file> <content>...])
function(check_case name expected)
  set(root ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${root})
  set(files ${ARGN})
  list(LENGTH files count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET files ${i} path)
    list(GET files ${j} content)
    file(WRITE ${root}/${path} "${content}\n")
  endforeach()
  chengjian_upward_includes(${root} found)
  if(NOT "${found}" STREQUAL "${expected}")
    set(failures "${failures}\n  ${name}: found [${found}], expected [${expected}]" PARENT_SCOPE)
  endif()
endfunction()

check_case(down_the_floors ""
  main.cpp "#include \"ui/main_window.h\"\n#include \"core/start_up.h\""
  ui/main_window.cpp "#include \"ui/main_window.h\"\n#include \"core/globals.h\"\n#include \"framework/form.h\""
  core/globals.h "#include \"grid/grid_control.h\"\n#include \"db/sqlite_database.h\"\n#include \"desktop/memory_module.h\""
  picture/gif_animation.h "#include \"framework/com_ref.h\"")
check_case(ground_floor_reaching_up "framework/picture_box.cpp -> com/com_picture.h;framework/picture_box.cpp -> picture/gif_animation.h"
  framework/picture_box.cpp "#include \"framework/form.h\"\n#include \"com/com_picture.h\"\n#include \"picture/gif_animation.h\"")
check_case(one_floor_up "desktop/skin_engine.cpp -> core/globals.h;picture/wic_decoder.h -> com/com_ref.h"
  desktop/skin_engine.cpp "#include \"desktop/memory_module.h\"\n#include \"core/globals.h\""
  picture/wic_decoder.h "#include \"com/com_ref.h\"")
check_case(between_the_ground_floors "desktop/tray_icon.cpp -> db/sqlite_engine.h;picture/bmp_writer.cpp -> desktop/special_folder.h"
  desktop/tray_icon.cpp "#include \"db/sqlite_engine.h\""
  picture/bmp_writer.cpp "#include \"desktop/special_folder.h\""
  db/sqlite_engine.cpp "#include \"desktop/special_folder.h\"\n#include \"picture/bmp_writer.h\"")
check_case(spelled_otherwise "activex/ax_host.h -> grid/grid_control.h;grid/grid_control.cpp -> ui/history_grid.h"
  grid/grid_control.cpp "  #  include   \"ui/history_grid.h\""
  activex/ax_host.h "#include <grid/grid_control.h>")
# A comment, a system header, and quoted includes found nowhere whose path names no floor.
check_case(not_judged ""
  core/clipboard_capture.cpp "// #include \"ui/history_grid.h\"\n#include <sys/types.h>\n#include \"support/ui_test_support.h\"\n#include \"beside.h\"\n#include \"../../outside/ui/main_window.h\"")
# A path climbing out of its folder is judged where it lands, however it gets there.
check_case(climbing_out_of_the_folder "db/sqlite_database.cpp -> core/globals.h;picture/gif_animation.cpp -> core/globals.h"
  core/globals.h "#include \"../db/sqlite_database.h\""
  db/sqlite_database.h "// the database"
  db/sqlite_database.cpp "#include \"sqlite_database.h\"\n#include \"../core/globals.h\""
  picture/gif_animation.cpp "#include \"./../framework/../core/./globals.h\""
  ui/history_window.cpp "#include \"../core/globals.h\"")
# The compiler looks beside the including file first and only then from the root: a header beside
# the file is its own floor's even when the root holds one of that name, and one found at the root
# alone is the top floor's.
check_case(beside_before_the_root "desktop/tray_icon.cpp -> resource_ids.h"
  grid_property_list.h "// the entry's own"
  engine_table.h "// the entry's own"
  resource_ids.h "// the entry's own"
  grid/grid_property_list.h "// the grid's own"
  grid/grid_control.cpp "#include \"grid_property_list.h\""
  db/engine_table.h "// the database's own"
  db/sqlite_engine.cpp "#include \"engine_table.h\""
  desktop/tray_icon.cpp "#include \"resource_ids.h\""
  main.cpp "#include \"resource_ids.h\"")
# Every folder of the tree is a floor; "main" names the root, not a folder.
check_case(no_floor "main/entry.cpp: folder 'main' is no floor;support/helper.h: folder 'support' is no floor"
  support/helper.h "#include \"ui/main_window.h\""
  main/entry.cpp "#include \"ui/main_window.h\""
  ui/main_window.h "// the window")

if(failures)
  message(FATAL_ERROR "The floor rule judged these trees wrongly:${failures}")
endif()
