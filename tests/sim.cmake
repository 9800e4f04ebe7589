# The logger simulator: its protocol with a clock of the test's own, its pseudo-terminal, the
# modem that can stand in front of it, and the stazione-sim program as a user starts it.
stazione_add_gtest(sim_model_test SOURCES sim_model_test.cpp LIBS stazione_sim)
stazione_add_gtest(sim_pty_server_test SOURCES sim_pty_server_test.cpp LIBS stazione_sim)
stazione_add_gtest(sim_modem_test SOURCES sim_modem_test.cpp LIBS stazione_sim)
stazione_add_gtest(sim_program_test SOURCES sim_program_test.cpp LIBS stazione_sim)
target_compile_definitions(sim_program_test PRIVATE STAZIONE_SIM_PROGRAM="$<TARGET_FILE:stazione-sim>")
add_dependencies(sim_program_test stazione-sim)
