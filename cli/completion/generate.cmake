# Writes the completion file from its template with the commands that "stazione-cli --help"
# lists, so that a new verb is offered without a second list to keep in step.
#
#   cmake -DCLI=stazione-cli -DIN=stazione-cli.bash.in -DOUT=stazione-cli.bash -P generate.cmake
execute_process(COMMAND ${CLI} --help RESULT_VARIABLE rc OUTPUT_VARIABLE help ERROR_VARIABLE help)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CLI} --help failed (${rc}):\n${help}")
endif()
string(FIND "${help}" "Commands:\n" start)
if(start LESS 0)
    message(FATAL_ERROR "${CLI} --help lists no commands:\n${help}")
endif()
string(SUBSTRING "${help}" ${start} -1 list)
string(FIND "${list}" "\n\n" end)
string(SUBSTRING "${list}" 0 ${end} list)
# The first word of each line that begins a command; a summary carried over starts further in.
string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${list}")
list(TRANSFORM commands REPLACE "^\n  " "")
list(JOIN commands " " words)
file(READ ${IN} text)
string(REPLACE "@STAZIONE_CLI_COMMANDS@" "${words}" text "${text}")
file(WRITE ${OUT}.new "${text}")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
