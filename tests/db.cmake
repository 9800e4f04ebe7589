# The database: SQLite in temporary folders, and a private PostgreSQL server for the run, started
# before the tests that need it and stopped after them. Its socket folder is short (a socket path
# has a limit of about 100 bytes) and private to this build tree.
string(MD5 build_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${build_hash}" 0 10 build_hash)
set(STAZIONE_TEST_PG_DIR "/tmp/stazione-pg-${build_hash}")
add_test(NAME db_postgres_start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/pg_server.sh start ${STAZIONE_TEST_PG_DIR})
set_tests_properties(db_postgres_start PROPERTIES FIXTURES_SETUP postgres TIMEOUT 120)
add_test(NAME db_postgres_stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/pg_server.sh stop ${STAZIONE_TEST_PG_DIR})
set_tests_properties(db_postgres_stop PROPERTIES FIXTURES_CLEANUP postgres TIMEOUT 120)

add_executable(db_test db_test.cpp)
target_link_libraries(db_test PRIVATE stazione_test_main stazione_db)
target_compile_definitions(db_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_SIM_PROGRAM="$<TARGET_FILE:stazione-sim>"
    STAZIONE_TEST_PG_DIR="${STAZIONE_TEST_PG_DIR}" STAZIONE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(db_test stazione-cli stazione-sim)
gtest_discover_tests(db_test
    DISCOVERY_TIMEOUT 30
    PROPERTIES ENVIRONMENT "${STAZIONE_TEST_ENVIRONMENT}" TIMEOUT 300 FIXTURES_REQUIRED postgres)

# The web report read from the database.
add_executable(db_report_test db_report_test.cpp)
target_link_libraries(db_report_test PRIVATE stazione_test_main stazione_db)
target_include_directories(db_report_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(db_report_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_TEST_PG_DIR="${STAZIONE_TEST_PG_DIR}")
add_dependencies(db_report_test stazione-cli)
gtest_discover_tests(db_report_test
    DISCOVERY_TIMEOUT 30
    PROPERTIES ENVIRONMENT "${STAZIONE_TEST_ENVIRONMENT}" TIMEOUT 300 FIXTURES_REQUIRED postgres)

# Which station a collection, an alert and a page belong to: its folder, from the report and from
# the database.
add_executable(station_identity_test station_identity_test.cpp)
target_link_libraries(station_identity_test PRIVATE stazione_test_main stazione_db)
target_compile_definitions(station_identity_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_TEST_PG_DIR="${STAZIONE_TEST_PG_DIR}")
add_dependencies(station_identity_test stazione-cli)
gtest_discover_tests(station_identity_test
    DISCOVERY_TIMEOUT 30
    PROPERTIES ENVIRONMENT "${STAZIONE_TEST_ENVIRONMENT}" TIMEOUT 300 FIXTURES_REQUIRED postgres)
