# Turns the PAD format's field table (pad/padfields.tsv: a header line, then
# one field a line with four tab-separated columns: path, title, rule in words,
# Perl-style pattern) into C++ initialisers, one {path, title, rule, pattern}
# row a line. The program thus carries the table in its code: nothing is read
# from disk at run time, and the table stays a plain file that is easy to
# compare with the format's own. CMake runs again when the table changes.
function(quillet_field_table input output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${input}")
    file(READ "${input}" text)
    string(REPLACE "\r" "" text "${text}")
    string(FIND "${text}" "\n" headerEnd)
    math(EXPR bodyStart "${headerEnd} + 1")
    string(SUBSTRING "${text}" ${bodyStart} -1 body)
    string(REGEX REPLACE "\n+$" "" body "${body}")

    # Every line must have exactly four columns; counted on single characters,
    # since CMake's lists would trip over the brackets of the patterns.
    string(REGEX MATCHALL "\n" breaks "${body}")
    string(REGEX MATCHALL "\t" tabs "${body}")
    list(LENGTH breaks lineCount)
    list(LENGTH tabs tabCount)
    math(EXPR lineCount "${lineCount} + 1")
    math(EXPR expectedTabs "${lineCount} * 3")
    if(NOT tabCount EQUAL expectedTabs)
        message(FATAL_ERROR "${input}: ${lineCount} fields need ${expectedTabs} tabs, found ${tabCount}")
    endif()

    string(REPLACE "\\" "\\\\" body "${body}")
    string(REPLACE "\"" "\\\"" body "${body}")
    string(REPLACE "\t" "\", \"" body "${body}")
    string(REPLACE "\n" "\"},\n{\"" body "${body}")
    file(CONFIGURE OUTPUT "${output}"
         CONTENT "// Made from padfields.tsv by cmake/FieldTable.cmake: edit that file instead.\n{\"@body@\"},\n"
         @ONLY)
endfunction()
