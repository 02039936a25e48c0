# Writes the include file help2man reads for vantrel-cli: the general usage as it is printed (its
# three-column exit code table does not survive help2man's own layout), the usage of every command
# that `vantrel-cli --help` lists (so a new command reaches the manual page by itself), then the
# hand-written sections.
#   cmake -DCLI=path/to/vantrel-cli -DSTATIC=docs/man/vantrel-cli.h2m -DOUTPUT=out.h2m -P ManCommandsSection.cmake

function(roff_verbatim text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    # A line starting with a dot or a quote would be read as a request.
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE usage RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CLI} --help failed (${rc})")
endif()

# The command lines: two blanks, the command's name, its synopsis; up to the first blank line.
set(commands "")
if(usage MATCHES "\nCommands:\n((  [^\n]*\n)+)")
    string(REGEX MATCHALL "(^|\n)  [a-z][a-z-]*" names "${CMAKE_MATCH_1}")
    foreach(name IN LISTS names)
        string(STRIP "${name}" name)
        list(APPEND commands ${name})
    endforeach()
endif()
if(NOT commands)
    message(FATAL_ERROR "no commands found in the output of ${CLI} --help")
endif()

# Everything after the usage lines, verbatim.
string(FIND "${usage}" "\n\n" bodyStart)
string(SUBSTRING "${usage}" ${bodyStart} -1 body)
string(STRIP "${body}" body)
roff_verbatim("${body}\n" body)
# The hand-written description leads the section that replaces help2man's own.
file(READ ${STATIC} handWritten)
set(description "")
if(handWritten MATCHES "^\\[DESCRIPTION\\]\n")
    string(LENGTH "[DESCRIPTION]\n" skip)
    string(SUBSTRING "${handWritten}" ${skip} -1 handWritten)
    string(FIND "${handWritten}" "\n[" end)
    string(SUBSTRING "${handWritten}" 0 ${end} description)
    string(SUBSTRING "${handWritten}" ${end} -1 handWritten)
endif()
set(section "[=DESCRIPTION]\n${description}\n.PP\n.nf\n${body}.fi\n\n[COMMANDS]\n")
foreach(command IN LISTS commands)
    execute_process(COMMAND ${CLI} help ${command} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${CLI} help ${command} failed (${rc})")
    endif()
    roff_verbatim("${text}" text)
    string(APPEND section ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()

file(WRITE ${OUTPUT} "${section}\n${handWritten}")
