# Installs the build into a fresh staging folder (as a package build does,
# through DESTDIR) and checks that exactly the expected files land there, that
# they fit together, and that the desktop and AppStream validators accept them.
#   cmake -DBUILD_DIR=<build> -DSTAGE_DIR=<folder> -DDESKTOP_ID=<id> -P check_install.cmake
foreach(variable IN ITEMS BUILD_DIR STAGE_DIR DESKTOP_ID)
    if(NOT ${variable})
        message(FATAL_ERROR "${variable} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${STAGE_DIR}")
set(ENV{DESTDIR} "${STAGE_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()
set(root "${STAGE_DIR}/usr")

# Nothing but these: a stray library, header or tool would ship in the package.
set(icons share/icons/hicolor)
set(expected
    bin/quillet
    share/applications/${DESKTOP_ID}.desktop
    share/metainfo/${DESKTOP_ID}.metainfo.xml
    ${icons}/48x48/apps/${DESKTOP_ID}.png
    ${icons}/128x128/apps/${DESKTOP_ID}.png
    ${icons}/256x256/apps/${DESKTOP_ID}.png
    ${icons}/scalable/apps/${DESKTOP_ID}.svg)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${root}" "${STAGE_DIR}/*")
file(GLOB_RECURSE everything LIST_DIRECTORIES false RELATIVE "${STAGE_DIR}" "${STAGE_DIR}/*")
list(SORT expected)
list(SORT installed)
list(TRANSFORM everything PREPEND "/")
list(FILTER everything EXCLUDE REGEX "^/usr/")
if(everything)
    message(FATAL_ERROR "installed outside the prefix: ${everything}")
endif()
if(NOT installed STREQUAL expected)
    string(REPLACE ";" "\n  " installed_lines "${installed}")
    string(REPLACE ";" "\n  " expected_lines "${expected}")
    message(FATAL_ERROR "installed files:\n  ${installed_lines}\nexpected:\n  ${expected_lines}")
endif()

if(NOT IS_DIRECTORY "${root}/bin/quillet" AND EXISTS "${root}/bin/quillet")
    file(READ "${root}/bin/quillet" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46" AND NOT magic MATCHES "^4d5a")
        message(FATAL_ERROR "bin/quillet is not a program (starts with ${magic})")
    endif()
endif()

# Each PNG holds the size of the folder it is in (width and height in its IHDR).
foreach(size IN ITEMS 48 128 256)
    set(png "${root}/${icons}/${size}x${size}/apps/${DESKTOP_ID}.png")
    file(READ "${png}" header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 32 8 width_hex)
    string(SUBSTRING "${header}" 40 8 height_hex)
    math(EXPR width "0x${width_hex}")
    math(EXPR height "0x${height_hex}")
    if(NOT header MATCHES "^89504e47" OR NOT width EQUAL size OR NOT height EQUAL size)
        message(FATAL_ERROR "${png} is ${width}x${height}, not a ${size}x${size} PNG")
    endif()
endforeach()

# The entry starts the installed program with the file it is given, shows the
# installed icon, and the AppStream data launches this very entry.
set(desktop "${root}/share/applications/${DESKTOP_ID}.desktop")
file(READ "${desktop}" entry)
foreach(line IN ITEMS "Exec=quillet %f" "Icon=${DESKTOP_ID}")
    if(NOT entry MATCHES "\n${line}\n")
        message(FATAL_ERROR "the desktop entry lacks the line '${line}':\n${entry}")
    endif()
endforeach()
if(NOT entry MATCHES "\nMimeType=([^\n]*;)?application/xml;")
    message(FATAL_ERROR "the desktop entry does not open XML files:\n${entry}")
endif()
file(READ "${root}/share/metainfo/${DESKTOP_ID}.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">${DESKTOP_ID}\\.desktop</launchable>")
    message(FATAL_ERROR "the AppStream data does not launch ${DESKTOP_ID}.desktop")
endif()

find_program(desktop_file_validate desktop-file-validate)
if(desktop_file_validate)
    execute_process(COMMAND "${desktop_file_validate}" "${desktop}"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    # It exits with 0 after hints, so any message at all counts as a failure.
    if(NOT result EQUAL 0 OR NOT output STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate rejects the entry:\n${output}")
    endif()
    message(STATUS "desktop-file-validate accepts ${DESKTOP_ID}.desktop")
else()
    message(STATUS "desktop-file-validate is not installed: the desktop entry is not validated")
endif()

find_program(appstreamcli appstreamcli)
if(appstreamcli)
    # validate-tree checks the metainfo file together with the entry and icons it names.
    foreach(command IN ITEMS
            "validate;--no-net;${root}/share/metainfo/${DESKTOP_ID}.metainfo.xml"
            "validate-tree;--no-net;${STAGE_DIR}")
        execute_process(COMMAND "${appstreamcli}" ${command}
            RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
        # Infos count too: a missing content rating is only an info.
        if(NOT result EQUAL 0 OR output MATCHES "(^|\n)[EWI]: ")
            message(FATAL_ERROR "appstreamcli ${command} finds faults:\n${output}")
        endif()
    endforeach()
    message(STATUS "appstreamcli accepts ${DESKTOP_ID}.metainfo.xml and the installed tree")
else()
    message(STATUS "appstreamcli is not installed: the AppStream data is not validated")
endif()
