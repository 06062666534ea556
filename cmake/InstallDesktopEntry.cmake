# Writes the desktop entry at install time, with every Exec line (the entry's and its actions')
# naming the installed program by its full path: the prefix is known only now (`cmake --install
# build --prefix PREFIX`), and a menu must find the program even when PREFIX/bin is not on the PATH.
# Set before it runs: QUILLET_DESKTOP_SOURCE, QUILLET_BINDIR and QUILLET_APPLICATIONS_DIR (both
# relative to the prefix).
set(program "${CMAKE_INSTALL_PREFIX}/${QUILLET_BINDIR}/quillet")
if(program MATCHES "[ \t\"`$\\\\]")
    # Quoted as the desktop-entry format wants: reserved characters get a backslash, and the format's
    # own escaping doubles every backslash once more.
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${program}")
    string(REPLACE "\\" "\\\\" quoted "${quoted}")
    set(program "\"${quoted}\"")
endif()
file(READ "${QUILLET_DESKTOP_SOURCE}" entry)
# "quillet" alone or followed by its arguments; replaced as plain text, whatever the path holds.
string(REPLACE "\nExec=quillet\n" "\nExec=${program}\n" entry "${entry}")
string(REPLACE "\nExec=quillet " "\nExec=${program} " entry "${entry}")
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${QUILLET_APPLICATIONS_DIR}/com.lumenfold.quillet.desktop")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")
