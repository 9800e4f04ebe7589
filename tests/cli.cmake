stazione_add_gtest(e2e_link_test SOURCES e2e_link_test.cpp LIBS stazione_core stazione_sim)
stazione_add_gtest(cli_test SOURCES cli_test.cpp LIBS Qt6::Core)
target_compile_definitions(cli_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_SIM_PROGRAM="$<TARGET_FILE:stazione-sim>")
add_dependencies(cli_test stazione-cli stazione-sim)
stazione_add_gtest(cli_data_test SOURCES cli_data_test.cpp LIBS Qt6::Gui)
target_compile_definitions(cli_data_test PRIVATE STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>")
add_dependencies(cli_data_test stazione-cli stazione-plot)
