# Run by CTest (see install.cmake) with -DMODE=install or -DMODE=man.

function(fail message)
    message(FATAL_ERROR "${message}")
endfunction()

# Runs a program and returns its standard output; a failure or a non-zero status fails the test.
function(run_program out)
    execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr RESULT_VARIABLE status
                    TIMEOUT 30)
    if(NOT status EQUAL 0)
        fail("${ARGN} ended with ${status}:\n${stdout}${stderr}")
    endif()
    set(${out} "${stdout}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "install")
    file(REMOVE_RECURSE ${PREFIX})
    run_program(log ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})
    foreach(file
            bin/stazione bin/stazione-cli bin/stazione-plot bin/stazione-sim
            share/bash-completion/completions/stazione-cli
            lib/systemd/user/stazione-collect.service lib/systemd/user/stazione-collect.timer
            lib/systemd/user/stazione-report.service lib/systemd/user/stazione-report.timer
            share/applications/stazione.desktop
            share/icons/hicolor/scalable/apps/stazione.svg
            share/man/man1/stazione.1.gz share/man/man1/stazione-cli.1.gz share/man/man1/stazione-plot.1.gz
            share/man/man1/stazione-sim.1.gz
            share/doc/stazione/copyright)
        if(NOT EXISTS ${PREFIX}/${file})
            fail("cmake --install did not put ${file} into the prefix:\n${log}")
        endif()
    endforeach()
    run_program(help ${PREFIX}/bin/stazione-cli --help)
    if(NOT help MATCHES "^Usage: stazione-cli" OR NOT help MATCHES "identify")
        fail("the installed stazione-cli --help printed:\n${help}")
    endif()
    run_program(help ${PREFIX}/bin/stazione-sim --help)
    if(NOT help MATCHES "--ports-dir")
        fail("the installed stazione-sim --help printed:\n${help}")
    endif()
    find_program(validate desktop-file-validate)
    if(validate)
        run_program(ignored ${validate} ${PREFIX}/share/applications/stazione.desktop)
    endif()
elseif(MODE STREQUAL "man")
    # Every option and command the programs' help names is described in their manual page.
    foreach(pair "stazione-cli.1;${CLI}" "stazione-sim.1;${SIM}")
        list(GET pair 0 page)
        list(GET pair 1 program)
        file(READ ${MAN_DIR}/${page} roff)
        string(REPLACE "\\-" "-" roff "${roff}")
        string(REGEX REPLACE "\\\\f[BIRP]" "" roff "${roff}")
        run_program(help ${program} --help)
        string(REGEX MATCHALL "--[a-z][a-z-]*" wanted "${help}")
        # The commands: the first word of each line of the help's "Commands:" list.
        set(commands)
        if(help MATCHES "Commands:\n(.*)\n\n")
            string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "\n${CMAKE_MATCH_1}")
            list(TRANSFORM commands REPLACE "^\n  " "")
            list(APPEND wanted ${commands})
        endif()
        list(REMOVE_DUPLICATES wanted)
        set(missing)
        foreach(word ${wanted})
            string(REGEX REPLACE "([.+*?^$()])" "\\\\\\1" pattern "${word}")
            if(NOT roff MATCHES "(^|[^a-z-])${pattern}([^a-z-]|$)")
                list(APPEND missing ${word})
            endif()
        endforeach()
        if(missing)
            fail("packaging/man/${page} does not describe: ${missing}")
        endif()
        # And the other way: each command the page's COMMANDS section heads is one of the help's.
        if(roff MATCHES "\n\\.SH COMMANDS\n(.*)")
            string(REGEX REPLACE "\n\\.SH .*" "" section "${CMAKE_MATCH_1}")
            string(REGEX MATCHALL "\n\\.TP\n\\.B[IR]? [a-z][a-z-]*" heads "${section}")
            list(TRANSFORM heads REPLACE "^\n\\.TP\n\\.B[IR]? " "")
            set(unknown)
            foreach(head ${heads})
                list(FIND commands ${head} at)
                if(at EQUAL -1)
                    list(APPEND unknown ${head})
                endif()
            endforeach()
            if(unknown)
                fail("packaging/man/${page} describes commands ${program} does not have: ${unknown}")
            endif()
        endif()
    endforeach()
else()
    fail("MODE must be install or man")
endif()
