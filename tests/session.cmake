stazione_add_gtest(session_test SOURCES session_test.cpp LIBS stazione_core)
