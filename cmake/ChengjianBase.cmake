# chengjian_base: the header-only pieces that the program and the grid control (a DLL of its own)
# share: the one owner template, the COM reference owner, the one exception edge and the wrapper that
# puts window and timer procedures behind it.
# They stay in src/framework/ and keep their include spelling ("framework/unique_resource.h"); the
# target's include folder in the build tree holds nothing but links to them, so a user of the target
# sees these headers and no other file of src/. Each of them includes only system headers.
set(CHENGJIAN_BASE_INCLUDE ${CMAKE_BINARY_DIR}/chengjian_base/include)
set(CHENGJIAN_BASE_HEADERS unique_resource.h com_ref.h exception_boundary.h window_procedure.h)

# Made anew at every configure; a header added to or taken from src/framework/ configures again.
file(REMOVE_RECURSE ${CHENGJIAN_BASE_INCLUDE})
file(MAKE_DIRECTORY ${CHENGJIAN_BASE_INCLUDE}/framework)
foreach(header IN LISTS CHENGJIAN_BASE_HEADERS)
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/framework/${header} ${CHENGJIAN_BASE_INCLUDE}/framework/${header} SYMBOLIC)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/framework)

add_library(chengjian_base INTERFACE)
target_include_directories(chengjian_base INTERFACE ${CHENGJIAN_BASE_INCLUDE})
