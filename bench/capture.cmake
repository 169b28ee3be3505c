# The capture benchmark's driver (bench/capture.sh builds and runs it; never part of the test run).
add_executable(capture_bench EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/bench/capture_bench.cpp
               ${PROJECT_SOURCE_DIR}/tests/support/program_runner.cpp)
target_compile_options(capture_bench PRIVATE ${CHENGJIAN_CXX_FLAGS})
target_include_directories(capture_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(capture_bench PRIVATE chengjian_app)
# As for the tests: Wine in the test machine faults on images whose debug sections are mapped.
target_link_options(capture_bench PRIVATE -s)
add_dependencies(capture_bench chengjian sqlite3)
