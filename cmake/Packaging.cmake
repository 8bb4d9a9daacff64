# Installing, the Debian package and the Windows resources of quillet.
# Included last by the top-level CMakeLists, once the quillet target exists.
include(GNUInstallDirs)

# The names and texts that identify Quillet (QUILLET_NAME, QUILLET_ORGANIZATION,
# QUILLET_MAKER_URL, QUILLET_DESKTOP_ID, QUILLET_COPYRIGHT, QUILLET_RELEASE_DATE)
# come from the top-level CMakeLists.txt, which also puts them in the
# program's generated quilletinfo.h.

set(quillet_dist "${PROJECT_SOURCE_DIR}/dist")
set(quillet_dist_out "${PROJECT_BINARY_DIR}/dist")
configure_file("${quillet_dist}/quillet.desktop.in"
    "${quillet_dist_out}/${QUILLET_DESKTOP_ID}.desktop" @ONLY)
configure_file("${quillet_dist}/quillet.metainfo.xml.in"
    "${quillet_dist_out}/${QUILLET_DESKTOP_ID}.metainfo.xml" @ONLY)

# --- Install: the program, its desktop entry, icons and AppStream data ---
install(TARGETS quillet RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(UNIX AND NOT APPLE)
    install(FILES "${quillet_dist_out}/${QUILLET_DESKTOP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    install(FILES "${quillet_dist_out}/${QUILLET_DESKTOP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
    foreach(size IN ITEMS 48 128 256)
        install(FILES "${quillet_dist}/icons/quillet-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME "${QUILLET_DESKTOP_ID}.png")
    endforeach()
    install(FILES "${quillet_dist}/icons/quillet.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${QUILLET_DESKTOP_ID}.svg")
endif()

# --- Windows: a GUI program with an icon and version information ---
set_target_properties(quillet PROPERTIES WIN32_EXECUTABLE TRUE)
set(QUILLET_ICO_FILE "${quillet_dist}/windows/quillet.ico")
set(quillet_rc "${quillet_dist_out}/quillet.rc")
# Configured everywhere, so that its syntax can be checked off Windows too.
configure_file("${quillet_dist}/windows/quillet.rc.in" "${quillet_rc}" @ONLY)
if(WIN32)
    target_sources(quillet PRIVATE "${quillet_rc}")
endif()

# --- The Debian package: cmake --build build --target package ---
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "${QUILLET_ORGANIZATION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Writes and reads PAD files that describe software")
# Lines of the extended description stay below 80 characters, as Debian asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quillet fills in a PAD file (Portable Application Description, the XML"
    "format in which software authors describe a product to download sites)"
    "from one window of sixteen fields, and loads those fields back from an"
    "existing PAD file.")
set(CPACK_PACKAGE_CONTACT "${QUILLET_ORGANIZATION} <dev@quillet.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLET_MAKER_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries follow from the binary; Qt's window-system plugins are only
# recommended by libqt6gui6, and without them the window cannot open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/")
include(CPack)

# --- Tests of the install and of the resource script ---
add_test(NAME install_layout
    COMMAND "${CMAKE_COMMAND}"
        "-DBUILD_DIR=${PROJECT_BINARY_DIR}"
        "-DSTAGE_DIR=${PROJECT_BINARY_DIR}/tests/install-stage"
        "-DDESKTOP_ID=${QUILLET_DESKTOP_ID}"
        -P "${PROJECT_SOURCE_DIR}/tests/packaging/check_install.cmake")
set_tests_properties(install_layout PROPERTIES TIMEOUT 120)

add_test(NAME windows_resources
    COMMAND "${CMAKE_COMMAND}"
        "-DRC_FILE=${quillet_rc}"
        "-DICO_FILE=${QUILLET_ICO_FILE}"
        "-DCOPYRIGHT=${QUILLET_COPYRIGHT}"
        "-DOUTPUT=${PROJECT_BINARY_DIR}/tests/quillet.res"
        -P "${PROJECT_SOURCE_DIR}/tests/packaging/check_windres.cmake")
set_tests_properties(windows_resources PROPERTIES
    TIMEOUT 60
    SKIP_REGULAR_EXPRESSION "x86_64-w64-mingw32-windres is not installed")
