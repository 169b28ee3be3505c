# SQLite with the multiple-ciphers codec, built from the amalgamation that the npm package
# better-sqlite3-multiple-ciphers ships, into sqlite3.dll beside the program.
set(SQLITE3MC_NPM_PACKAGE better-sqlite3-multiple-ciphers)
set(SQLITE3MC_NPM_VERSION 12.11.1)

set(_sqlite3mc_dir ${CMAKE_BINARY_DIR}/_deps/sqlite3mc-${SQLITE3MC_NPM_VERSION})
set(SQLITE3MC_SOURCE_DIR ${_sqlite3mc_dir}/package/deps/sqlite3)

if(NOT EXISTS ${SQLITE3MC_SOURCE_DIR}/sqlite3.c)
  file(MAKE_DIRECTORY ${_sqlite3mc_dir})
  find_program(NPM_EXECUTABLE npm REQUIRED)
  message(STATUS "Fetching ${SQLITE3MC_NPM_PACKAGE}@${SQLITE3MC_NPM_VERSION} with npm pack")
  execute_process(
    COMMAND ${NPM_EXECUTABLE} pack ${SQLITE3MC_NPM_PACKAGE}@${SQLITE3MC_NPM_VERSION} --silent
    WORKING_DIRECTORY ${_sqlite3mc_dir}
    RESULT_VARIABLE _rc
    OUTPUT_VARIABLE _tarball
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "npm pack ${SQLITE3MC_NPM_PACKAGE}@${SQLITE3MC_NPM_VERSION} failed (${_rc})")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${_sqlite3mc_dir}/${_tarball} DESTINATION ${_sqlite3mc_dir}
       PATTERNS package/deps/sqlite3/*)
endif()

add_library(sqlite3 SHARED ${SQLITE3MC_SOURCE_DIR}/sqlite3.c)
set_target_properties(sqlite3 PROPERTIES PREFIX "" OUTPUT_NAME sqlite3)
target_compile_definitions(sqlite3 PRIVATE
  "SQLITE_API=__declspec(dllexport)"
  SQLITE3MC_WXSQLITE3_COMPATIBLE
  SQLITE_ENABLE_COLUMN_METADATA
  SQLITE_THREADSAFE=1)
# GCC on i686 refuses the cipher code's SSE intrinsics without -msse2.
target_compile_options(sqlite3 PRIVATE -O2 -msse2 -w)

# The program loads sqlite3.dll by name; only the declarations are compiled in.
add_library(sqlite3_headers INTERFACE)
target_include_directories(sqlite3_headers SYSTEM INTERFACE ${SQLITE3MC_SOURCE_DIR})
# The program reaches the codec's wxsqlite3_config and wxsqlite3_config_cipher, declared only so.
target_compile_definitions(sqlite3_headers INTERFACE SQLITE3MC_WXSQLITE3_COMPATIBLE)
