# The licence, the changelog and the manual page beside the program, and `make package`: a Debian package built by
# CPack, whose library dependencies dpkg-shlibdeps works out from the program itself.

set(QUILLET_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillet)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${QUILLET_DOC_DIR} RENAME copyright)

# A Debian system keeps each package's changelog and manual pages compressed, at the highest level, without a time
# stamp that would change the file at every build.
set(QUILLET_MAINTAINER "Lumenfold <quillet@lumenfold.com>")
set(QUILLET_RELEASE_DATE "Mon, 07 Dec 2026 12:00:00 +0000")
set(QUILLET_RELEASE_DAY 2026-12-07)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/changelog
     CONTENT "quillet (${PROJECT_VERSION}) unstable; urgency=medium\n\n  * Release ${PROJECT_VERSION}.\n\n -- ${QUILLET_MAINTAINER}  ${QUILLET_RELEASE_DATE}\n")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
                   DEPENDS ${CMAKE_BINARY_DIR}/changelog
                   COMMENT "Compressing the changelog")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quillet.1.gz
                   COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/quillet.1 > ${CMAKE_BINARY_DIR}/quillet.1.gz
                   DEPENDS ${PROJECT_SOURCE_DIR}/resources/quillet.1
                   COMMENT "Compressing the manual page")
add_custom_target(quillet_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz ${CMAKE_BINARY_DIR}/quillet.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${QUILLET_DOC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/quillet.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What software centres show of the program, with the release of the changelog above.
set(QUILLET_METAINFO ${CMAKE_BINARY_DIR}/com.lumenfold.quillet.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/resources/com.lumenfold.quillet.metainfo.xml.in ${QUILLET_METAINFO} @ONLY)
install(FILES ${QUILLET_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Lumenfold)
set(CPACK_PACKAGE_CONTACT ${QUILLET_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "proofreading and rephrasing in any text field")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quillet follows the text field you type in, in any application, and shows\n"
       "a small icon in its corner. A click or a global shortcut sends the text to\n"
       "an OpenAI-compatible chat-completions service with your own API key, and\n"
       "offers the corrected text and three rephrasings: the one you choose\n"
       "replaces the text. It needs an X11 desktop (or XWayland) with the\n"
       "accessibility bus, and a Secret Service keyring for the key. Under GNOME on\n"
       "Wayland its GNOME Shell extension, shipped here, draws the icon, pastes and\n"
       "holds the shortcut once switched on.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The desktop entry names the program by the path it has once installed, not in the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLET_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no library link shows: Qt's X11 platform plugin, loaded at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The desktop's accessibility bus and a keyring that speaks the Secret Service protocol.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "at-spi2-core, gnome-keyring | keepassxc, wl-clipboard")
include(CPack)
