# The web report of the network and its alerts.
stazione_add_gtest(site_report_test SOURCES site_report_test.cpp LIBS stazione_core)
stazione_add_gtest(alert_rules_test SOURCES alert_rules_test.cpp LIBS stazione_core)
stazione_add_gtest(report_cli_test SOURCES report_cli_test.cpp LIBS stazione_core)
target_compile_definitions(report_cli_test PRIVATE
    STAZIONE_CLI_PROGRAM="$<TARGET_FILE:stazione-cli>" STAZIONE_SIM_PROGRAM="$<TARGET_FILE:stazione-sim>")
add_dependencies(report_cli_test stazione-cli stazione-sim)
