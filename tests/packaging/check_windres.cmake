# Compiles the Windows resource script with the MinGW resource compiler, which
# checks its syntax and that the icon it names can be read, off Windows.
#   cmake -DRC_FILE=<quillet.rc> -DICO_FILE=<quillet.ico> -DOUTPUT=<quillet.res> -P check_windres.cmake
find_program(windres x86_64-w64-mingw32-windres)
if(NOT windres)
    message(STATUS "x86_64-w64-mingw32-windres is not installed: the resource script is not compiled")
    return()
endif()
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${windres}" --input-format=rc --output-format=res
        -i "${RC_FILE}" -o "${OUTPUT}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "windres rejects ${RC_FILE}:\n${output}")
endif()

# The compiled resources carry every image of the icon and the version texts
# (UTF-16 in a .res file, so the ASCII bytes are interleaved with zeros).
file(SIZE "${OUTPUT}" res_size)
file(SIZE "${ICO_FILE}" ico_size)
if(res_size LESS ico_size)
    message(FATAL_ERROR "${OUTPUT} has ${res_size} bytes, fewer than the icon's ${ico_size}")
endif()
file(READ "${OUTPUT}" res HEX)
foreach(text IN ITEMS "FileVersion" "1.0.1.13" "1.0.0.0" "Tarnwick")
    string(HEX "${text}" text_hex)
    string(REGEX REPLACE "(..)" "\\100" text_utf16 "${text_hex}")
    string(FIND "${res}" "${text_utf16}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${OUTPUT} does not hold the text '${text}'")
    endif()
endforeach()
message(STATUS "windres compiles ${RC_FILE}")
