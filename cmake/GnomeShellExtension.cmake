# Quillet's GNOME Shell extension, built from one source in two flavours: "legacy" for GNOME Shell
# 43 and 44 (imports), "modules" for 45 and later (ES modules). Both are laid out in the build folder,
# naming the program built beside them (which the session tests run); `cmake --install` installs the
# flavour of the GNOME Shell found here (or QUILLET_GNOME_SHELL_FLAVOUR), naming the installed program.
set(QUILLET_SHELL_UUID quillet@lumenfold.com)
set(QUILLET_SHELL_SOURCE ${PROJECT_SOURCE_DIR}/resources/gnome-shell)
# The interface the extension offers Quillet, one file for both sides of the bus.
set(QUILLET_SHELL_INTERFACE_XML ${PROJECT_SOURCE_DIR}/resources/dbus/com.lumenfold.quillet.Shell.xml)

set(QUILLET_GNOME_SHELL_FLAVOUR auto CACHE STRING "GNOME Shell extension to install: auto, legacy (43-44) or modules (45+)")
set_property(CACHE QUILLET_GNOME_SHELL_FLAVOUR PROPERTY STRINGS auto legacy modules)
set(flavour ${QUILLET_GNOME_SHELL_FLAVOUR})
if(flavour STREQUAL auto)
    set(flavour legacy)
    find_program(GNOME_SHELL_PROGRAM gnome-shell)
    if(GNOME_SHELL_PROGRAM)
        execute_process(COMMAND ${GNOME_SHELL_PROGRAM} --version OUTPUT_VARIABLE shell_version
                        ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(shell_version MATCHES "([0-9]+)\\." AND CMAKE_MATCH_1 GREATER_EQUAL 45)
            set(flavour modules)
        endif()
    endif()
endif()

find_program(GLIB_COMPILE_SCHEMAS glib-compile-schemas REQUIRED)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${QUILLET_SHELL_SOURCE}/extension.js.in ${QUILLET_SHELL_SOURCE}/methods.js ${QUILLET_SHELL_SOURCE}/grants.js
    ${QUILLET_SHELL_SOURCE}/install.js ${QUILLET_SHELL_INTERFACE_XML}
    ${QUILLET_SHELL_SOURCE}/metadata.json.in
    ${QUILLET_SHELL_SOURCE}/imports-legacy.js ${QUILLET_SHELL_SOURCE}/exports-legacy.js
    ${QUILLET_SHELL_SOURCE}/imports-modules.js ${QUILLET_SHELL_SOURCE}/exports-modules.js)

set(QUILLET_SHELL_VERSIONS_legacy "\"43\", \"44\"")
set(QUILLET_SHELL_VERSIONS_modules "\"45\", \"46\", \"47\", \"48\", \"49\", \"50\"")
# The flavour of the GNOME Shell found here, which the session tests run.
set(QUILLET_SHELL_FLAVOUR ${flavour})

# quillet_shell_flavours(UUID SOURCE BODY): lays out the extension UUID in both flavours, in
# gnome-shell/legacy/UUID and gnome-shell/modules/UUID of the build folder: its extension.js is BODY
# with the flavour's imports (those of Quillet's extension) and SOURCE/exports-FLAVOUR.js put in, its
# metadata.json SOURCE/metadata.json.in naming the flavour's shell versions.
function(quillet_shell_flavours uuid source body)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source}/metadata.json.in
        ${source}/exports-legacy.js ${source}/exports-modules.js)
    foreach(kind legacy modules)
        set(dir ${CMAKE_BINARY_DIR}/gnome-shell/${kind}/${uuid})
        file(READ ${QUILLET_SHELL_SOURCE}/imports-${kind}.js QUILLET_SHELL_IMPORTS)
        file(READ ${source}/exports-${kind}.js QUILLET_SHELL_EXPORTS)
        string(STRIP "${QUILLET_SHELL_IMPORTS}" QUILLET_SHELL_IMPORTS)
        string(STRIP "${QUILLET_SHELL_EXPORTS}" QUILLET_SHELL_EXPORTS)
        string(REPLACE "@QUILLET_SHELL_IMPORTS@" "${QUILLET_SHELL_IMPORTS}" js "${body}")
        string(REPLACE "@QUILLET_SHELL_EXPORTS@" "${QUILLET_SHELL_EXPORTS}" js "${js}")
        file(CONFIGURE OUTPUT ${dir}/extension.js CONTENT "${js}" @ONLY)
        set(QUILLET_SHELL_VERSIONS ${QUILLET_SHELL_VERSIONS_${kind}})
        configure_file(${source}/metadata.json.in ${dir}/metadata.json @ONLY)
    endforeach()
endfunction()

file(READ ${QUILLET_SHELL_SOURCE}/extension.js.in body)
file(READ ${QUILLET_SHELL_SOURCE}/methods.js methods)
file(READ ${QUILLET_SHELL_SOURCE}/grants.js grants)
file(READ ${QUILLET_SHELL_SOURCE}/install.js install)
# From <node> on: GJS is given the interface itself, without the file's preamble.
file(READ ${QUILLET_SHELL_INTERFACE_XML} interface_xml)
string(FIND "${interface_xml}" "<node>" node_at)
string(SUBSTRING "${interface_xml}" ${node_at} -1 interface_xml)
string(STRIP "${interface_xml}" interface_xml)
string(REPLACE "@QUILLET_SHELL_METHODS@" "${methods}" body "${body}")
string(REPLACE "@QUILLET_SHELL_GRANTS@" "${grants}" body "${body}")
string(REPLACE "@QUILLET_SHELL_INSTALL@" "${install}" body "${body}")
string(REPLACE "@QUILLET_SHELL_INTERFACE@" "${interface_xml}" body "${body}")
set(QUILLET_PROGRAM ${CMAKE_BINARY_DIR}/src/quillet)
quillet_shell_flavours(${QUILLET_SHELL_UUID} ${QUILLET_SHELL_SOURCE} "${body}")
set(schema_xml ${QUILLET_SHELL_SOURCE}/schemas/org.gnome.shell.extensions.quillet.gschema.xml)
set(QUILLET_SHELL_BUILDS)
foreach(kind legacy modules)
    set(dir ${CMAKE_BINARY_DIR}/gnome-shell/${kind}/${QUILLET_SHELL_UUID})
    configure_file(${QUILLET_SHELL_SOURCE}/stylesheet.css ${dir}/stylesheet.css COPYONLY)
    configure_file(${PROJECT_SOURCE_DIR}/resources/logo-icon.svg ${dir}/emblem.svg COPYONLY)
    configure_file(${schema_xml} ${dir}/schemas/org.gnome.shell.extensions.quillet.gschema.xml COPYONLY)
    add_custom_command(OUTPUT ${dir}/schemas/gschemas.compiled
        COMMAND ${GLIB_COMPILE_SCHEMAS} --strict ${dir}/schemas
        DEPENDS ${schema_xml} VERBATIM)
    list(APPEND QUILLET_SHELL_BUILDS ${dir}/schemas/gschemas.compiled)
endforeach()
add_custom_target(gnome_shell_extension ALL DEPENDS ${QUILLET_SHELL_BUILDS})
# The build the session tests install into their private GNOME Shell.
set(QUILLET_SHELL_EXTENSION_DIR ${CMAKE_BINARY_DIR}/gnome-shell/${flavour}/${QUILLET_SHELL_UUID})

set(installed ${CMAKE_BINARY_DIR}/gnome-shell/${flavour}/${QUILLET_SHELL_UUID})
install(FILES ${installed}/extension.js ${installed}/stylesheet.css ${installed}/emblem.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${QUILLET_SHELL_UUID})
install(FILES ${installed}/schemas/org.gnome.shell.extensions.quillet.gschema.xml
              ${installed}/schemas/gschemas.compiled
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${QUILLET_SHELL_UUID}/schemas)
# The metadata names the installed program, whose path is known only at install time.
install(CODE "set(QUILLET_METADATA_SOURCE \"${QUILLET_SHELL_SOURCE}/metadata.json.in\")
    set(QUILLET_SHELL_VERSIONS [=[${QUILLET_SHELL_VERSIONS_${flavour}}]=])
    set(QUILLET_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(QUILLET_EXTENSION_DIR \"${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${QUILLET_SHELL_UUID}\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallShellMetadata.cmake)
