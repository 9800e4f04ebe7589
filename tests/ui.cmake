# Window tests use QtTest: they need a QApplication, which the GoogleTest main does not make.
qt_add_executable(ui_form1_test ${CMAKE_CURRENT_LIST_DIR}/ui_form1_test.cpp)
target_link_libraries(ui_form1_test PRIVATE stazione_gui Qt6::Test)
add_test(NAME ui_form1_test COMMAND ui_form1_test)
set_tests_properties(ui_form1_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

qt_add_executable(ui_session_test ${CMAKE_CURRENT_LIST_DIR}/ui_session_test.cpp)
target_include_directories(ui_session_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ui_session_test PRIVATE stazione_gui stazione_sim Qt6::Test)
add_test(NAME ui_session_test COMMAND ui_session_test)
set_tests_properties(ui_session_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;STAZIONE_TIME_SCALE=0.05;STAZIONE_SYSTEM_PORTS=0" TIMEOUT 300)

qt_add_executable(ui_config_test ${CMAKE_CURRENT_LIST_DIR}/ui_config_test.cpp)
target_include_directories(ui_config_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ui_config_test PRIVATE stazione_gui stazione_sim Qt6::Test)
add_test(NAME ui_config_test COMMAND ui_config_test)
set_tests_properties(ui_config_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;STAZIONE_TIME_SCALE=0.05;STAZIONE_SYSTEM_PORTS=0" TIMEOUT 300)

qt_add_executable(ui_small_windows_test ${CMAKE_CURRENT_LIST_DIR}/ui_small_windows_test.cpp)
target_link_libraries(ui_small_windows_test PRIVATE stazione_gui Qt6::Test)
add_test(NAME ui_small_windows_test COMMAND ui_small_windows_test)
set_tests_properties(ui_small_windows_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

qt_add_executable(ui_messaging_test ${CMAKE_CURRENT_LIST_DIR}/ui_messaging_test.cpp)
target_include_directories(ui_messaging_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ui_messaging_test PRIVATE stazione_gui stazione_sim Qt6::Test)
add_test(NAME ui_messaging_test COMMAND ui_messaging_test)
set_tests_properties(ui_messaging_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;STAZIONE_TIME_SCALE=0.05;STAZIONE_SYSTEM_PORTS=0" TIMEOUT 300)

qt_add_executable(ui_data_test ${CMAKE_CURRENT_LIST_DIR}/ui_data_test.cpp)
target_include_directories(ui_data_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ui_data_test PRIVATE stazione_gui stazione_sim Qt6::Test)
add_test(NAME ui_data_test COMMAND ui_data_test)
set_tests_properties(ui_data_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;STAZIONE_TIME_SCALE=0.05;STAZIONE_SYSTEM_PORTS=0" TIMEOUT 300)
