stazione_add_gtest(link_test SOURCES link_test.cpp LIBS stazione_core)
stazione_add_gtest(numbers_test SOURCES numbers_test.cpp LIBS stazione_core)
stazione_add_gtest(commands_test SOURCES commands_test.cpp LIBS stazione_core)
stazione_add_gtest(port_resolver_test SOURCES port_resolver_test.cpp LIBS stazione_core)
