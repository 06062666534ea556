# Writes the GNOME Shell extension's metadata at install time, naming the installed program: the
# extension answers that program alone, and the prefix is known only now.
# Set before it runs: QUILLET_METADATA_SOURCE, QUILLET_SHELL_VERSIONS, QUILLET_BINDIR and
# QUILLET_EXTENSION_DIR (both relative to the prefix).
set(QUILLET_PROGRAM "${CMAKE_INSTALL_PREFIX}/${QUILLET_BINDIR}/quillet")
# JSON: a backslash or a quote in the path is escaped.
string(REPLACE "\\" "\\\\" QUILLET_PROGRAM "${QUILLET_PROGRAM}")
string(REPLACE "\"" "\\\"" QUILLET_PROGRAM "${QUILLET_PROGRAM}")
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${QUILLET_EXTENSION_DIR}/metadata.json")
message(STATUS "Installing: ${target}")
# Read by everyone, whatever the source tree's own modes are (an unpacked archive may give 0664).
configure_file("${QUILLET_METADATA_SOURCE}" "${target}" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
