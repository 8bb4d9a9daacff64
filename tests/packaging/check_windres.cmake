# Compiles the Windows resource script with the MinGW resource compiler, which
# checks its syntax and that the icon it names can be read, off Windows.
#   cmake -DRC_FILE=<quillet.rc> -DICO_FILE=<quillet.ico> -DCOPYRIGHT=<line>
#         -DOUTPUT=<quillet.res> -P check_windres.cmake
find_program(windres x86_64-w64-mingw32-windres)
if(NOT windres)
    # CI installs it, so that there the test runs rather than passing by.
    if(DEFINED ENV{QUILLET_REQUIRE_WINDRES})
        message(FATAL_ERROR "x86_64-w64-mingw32-windres is not installed, and QUILLET_REQUIRE_WINDRES asks for it")
    endif()
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

# The compiled resources carry every image of the icon and the version
# information: the numbers after the VS_FIXEDFILEINFO signature FEEF04BD
# (little-endian 32-bit words: structure version, then file version 1.0.1.13
# and product version 1.0.0.0 as high and low words), and each text as a key,
# its end, padding to four bytes and the value, all in UTF-16.
file(SIZE "${OUTPUT}" res_size)
file(SIZE "${ICO_FILE}" ico_size)
if(res_size LESS ico_size)
    message(FATAL_ERROR "${OUTPUT} has ${res_size} bytes, fewer than the icon's ${ico_size}")
endif()
file(READ "${OUTPUT}" res HEX)
if(NOT res MATCHES "bd04effe00000100000001000d0001000000010000000000")
    message(FATAL_ERROR "${OUTPUT} lacks the version numbers 1.0.1.13 and 1.0.0.0")
endif()
function(utf16_hex text variable)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${variable} "${hex}" PARENT_SCOPE)
endfunction()
foreach(pair IN ITEMS
        "CompanyName=Tarnwick"
        "FileDescription=Quillet"
        "FileVersion=1.0.1.13"
        "LegalCopyright=${COPYRIGHT}"
        "ProductName=Quillet"
        "ProductVersion=1.0.0.0")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    if(NOT res MATCHES "${key_hex}0000(0000)?${value_hex}0000")
        message(FATAL_ERROR "${OUTPUT} does not give ${key} as '${value}'")
    endif()
endforeach()
message(STATUS "windres compiles ${RC_FILE}")
