# Window tests use QtTest: they need a QApplication, which the GoogleTest main does not make.
function(stazione_add_qtest name)
    qt_add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(${name} PRIVATE stazione_gui stazione_sim Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;STAZIONE_TIME_SCALE=0.05;STAZIONE_SYSTEM_PORTS=0" TIMEOUT 300)
endfunction()

stazione_add_qtest(ui_form1_test)
stazione_add_qtest(ui_session_test)
stazione_add_qtest(ui_config_test)
stazione_add_qtest(ui_small_windows_test)
stazione_add_qtest(ui_messaging_test)
stazione_add_qtest(ui_data_test)
stazione_add_qtest(ui_grafici_test)
stazione_add_qtest(ui_live_test)
stazione_add_qtest(ui_modem_window_test)
stazione_add_qtest(ui_modem_test)
stazione_add_qtest(ui_activity_test)

stazione_add_gtest(language_test SOURCES language_test.cpp LIBS stazione_gui)
stazione_add_qtest(ui_cancel_test)
