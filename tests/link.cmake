stazione_add_gtest(link_test SOURCES link_test.cpp LIBS stazione_core)
stazione_add_gtest(numbers_test SOURCES numbers_test.cpp LIBS stazione_core)
stazione_add_gtest(commands_test SOURCES commands_test.cpp LIBS stazione_core)
stazione_add_gtest(port_resolver_test SOURCES port_resolver_test.cpp LIBS stazione_core)
stazione_add_gtest(config_test SOURCES config_test.cpp LIBS stazione_core)
stazione_add_gtest(messaging_test SOURCES messaging_test.cpp LIBS stazione_core)
stazione_add_gtest(data_test SOURCES data_test.cpp LIBS stazione_core)
stazione_add_gtest(collection_test SOURCES collection_test.cpp LIBS stazione_core)
stazione_add_gtest(live_test SOURCES live_test.cpp LIBS stazione_core)
stazione_add_gtest(modem_test SOURCES modem_test.cpp LIBS stazione_core)
stazione_add_gtest(failure_test SOURCES failure_test.cpp LIBS stazione_core)
stazione_add_gtest(numbers_range_test SOURCES numbers_range_test.cpp LIBS stazione_core)

# The same cases built with the undefined-behaviour sanitizer around the number conversions: a
# double converted to an integer out of range ends the test instead of passing by luck.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-fsanitize=undefined,float-cast-overflow -fno-sanitize-recover=all")
set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=undefined,float-cast-overflow")
check_cxx_source_compiles("int main() { return 0; }" STAZIONE_HAVE_UBSAN)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(STAZIONE_HAVE_UBSAN)
    stazione_add_gtest(numbers_range_ubsan_test
        SOURCES numbers_range_test.cpp ${PROJECT_SOURCE_DIR}/link/numbers.cpp LIBS Qt6::Core)
    target_include_directories(numbers_range_ubsan_test PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(numbers_range_ubsan_test PRIVATE
        -fsanitize=undefined,float-cast-overflow -fno-sanitize-recover=all)
    target_link_options(numbers_range_ubsan_test PRIVATE -fsanitize=undefined,float-cast-overflow)
endif()
