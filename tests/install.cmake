# The installed tree, and the manual pages against the programs' own help.
add_test(NAME install_into_a_prefix
    COMMAND ${CMAKE_COMMAND} -DMODE=install -DBUILD_DIR=${PROJECT_BINARY_DIR}
            -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-prefix -P ${CMAKE_CURRENT_SOURCE_DIR}/install_test.cmake)
add_test(NAME man_pages_cover_the_help
    COMMAND ${CMAKE_COMMAND} -DMODE=man -DMAN_DIR=${PROJECT_SOURCE_DIR}/packaging/man
            -DCLI=$<TARGET_FILE:stazione-cli> -DSIM=$<TARGET_FILE:stazione-sim>
            -P ${CMAKE_CURRENT_SOURCE_DIR}/install_test.cmake)
set_tests_properties(install_into_a_prefix man_pages_cover_the_help PROPERTIES
    ENVIRONMENT "${STAZIONE_TEST_ENVIRONMENT}" TIMEOUT 120)
