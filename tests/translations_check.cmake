# Every text the operator can see has an English translation: runs lupdate over the sources into
# a copy of the repository's .ts file and fails on any entry left unfinished (a new or changed
# text nobody translated), naming it, and on any other difference from the committed file.
#
#   cmake -DLUPDATE=... -DTS=... -DFOLDERS=a|b|c -DOPTIONS=x|y -DWORK=dir -P translations_check.cmake
string(REPLACE "|" ";" folders "${FOLDERS}")
string(REPLACE "|" ";" options "${OPTIONS}")
file(MAKE_DIRECTORY "${WORK}")
get_filename_component(name "${TS}" NAME)
set(copy "${WORK}/${name}")
file(COPY_FILE "${TS}" "${copy}")
execute_process(COMMAND "${LUPDATE}" ${options} ${folders} -ts "${copy}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${rc}):\n${out}")
endif()
file(READ "${copy}" ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*(<comment>[^<]*</comment>[ \n]*)?<translation type=\"unfinished\""
       unfinished "${ts}")
list(LENGTH unfinished count)
string(REGEX MATCHALL "<message" messages "${ts}")
list(LENGTH messages total)
if(total EQUAL 0)
    message(FATAL_ERROR "lupdate found no text at all in ${folders}")
endif()
if(count GREATER 0)
    string(REPLACE "<translation type=\"unfinished\"" "" listed "${unfinished}")
    string(REPLACE ";" "\n" listed "${listed}")
    message(FATAL_ERROR "${count} of ${total} texts have no translation in ${name}:\n${listed}\n"
                        "Run: cmake --build build --target stazione_lupdate, then translate them.")
endif()
# The committed file is what lupdate writes: a run of stazione_lupdate on an untouched tree changes
# nothing, and a change of texts shows in a review as just those texts.
file(READ "${TS}" committed)
if(NOT committed STREQUAL ts)
    message(FATAL_ERROR "${name} is not what lupdate makes of the sources (see ${copy}).\n"
                        "Run: cmake --build build --target stazione_lupdate, and commit the result.")
endif()
message(STATUS "${total} texts, all translated in ${name}")
