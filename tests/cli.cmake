stazione_add_gtest(e2e_link_test SOURCES e2e_link_test.cpp LIBS stazione_core stazione_sim)
stazione_add_gtest(cli_test SOURCES cli_test.cpp LIBS Qt6::Core)
target_compile_definitions(cli_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_SIM_PROGRAM="$<TARGET_FILE:stazione-sim>")
add_dependencies(cli_test stazione-cli stazione-sim)
stazione_add_gtest(cli_help_test SOURCES cli_help_test.cpp LIBS stazione_cli)
target_link_libraries(cli_test PRIVATE stazione_cli)
target_compile_definitions(cli_help_test PRIVATE STAZIONE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    STAZIONE_CLI_COMPLETION="${STAZIONE_CLI_COMPLETION}")
add_dependencies(cli_help_test stazione_cli_completion)
stazione_add_gtest(collect_test SOURCES collect_test.cpp LIBS Qt6::Core)
target_compile_definitions(collect_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_SIM_PROGRAM="$<TARGET_FILE:stazione-sim>")
add_dependencies(collect_test stazione-cli stazione-sim)
stazione_add_gtest(cli_failure_test SOURCES cli_failure_test.cpp LIBS Qt6::Core stazione_sim)
target_compile_definitions(cli_failure_test PRIVATE STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>")
add_dependencies(cli_failure_test stazione-cli)
# export and plot; plot runs the windows' chart program, which a build without windows lacks.
if(STAZIONE_BUILD_GUI)
    stazione_add_gtest(cli_data_test SOURCES cli_data_test.cpp LIBS Qt6::Gui)
    target_compile_definitions(cli_data_test PRIVATE STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>")
    add_dependencies(cli_data_test stazione-cli stazione-plot)
endif()
