# The Debian package: `cpack -G DEB` in a Release build tree after building
# quenda (tools/package.sh does both); it installs under /usr whatever
# CMAKE_INSTALL_PREFIX says. Besides the program, its menu entry, icons, udev
# rule and systemd user unit, the package holds the man page and the bash
# completion. Its Depends come from the libraries the program links (Qt
# Widgets, Network and WebSockets, hidapi, libqrencode).
if(NOT QUENDA_BUILD_UI)
    return()
endif()

# The contact the package and its changelog name: a placeholder address until
# the package is published somewhere.
set(QUENDA_PACKAGE_MAINTAINER "Quenda developers <quenda@example.org>" CACHE STRING
    "The Maintainer field of the Debian package")

# Debian keeps man pages and changelogs compressed; gzip -n leaves the file's
# time out of the archive. Compressed when configuring (a build configures
# again when the source changed), so that installing writes nothing here.
set(quenda_packed ${CMAKE_CURRENT_BINARY_DIR}/packaging)
function(quenda_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    file(MAKE_DIRECTORY ${quenda_packed})
    execute_process(COMMAND gzip -9 -n -c ${source} OUTPUT_FILE ${quenda_packed}/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${quenda_packed}/${name}.gz DESTINATION ${destination})
endfunction()

quenda_install_gzipped(${CMAKE_CURRENT_SOURCE_DIR}/docs/quenda.1 ${CMAKE_INSTALL_MANDIR}/man1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS docs/quenda.1)
install(FILES tools/quenda.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME quenda)

# Debian wants a copyright file and a changelog in every package's doc folder.
set(quenda_doc ${CMAKE_INSTALL_DATADIR}/doc/quenda)
string(TIMESTAMP quenda_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(cmake/debian/changelog.in ${quenda_packed}/changelog @ONLY)
quenda_install_gzipped(${quenda_packed}/changelog ${quenda_doc})
install(FILES cmake/debian/copyright docs/settings-file.md docs/command-line-json.md docs/filter-files.md
        docs/remote-api.md docs/home-assistant.md DESTINATION ${quenda_doc})

set(CPACK_PACKAGE_NAME quenda)
set(CPACK_PACKAGE_VENDOR "Quenda developers")
set(CPACK_PACKAGE_CONTACT ${QUENDA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for a two-channel USB audio processor")
# The Description field's long part: lines of at most 79 characters.
set(CPACK_PACKAGE_DESCRIPTION [[
Quenda controls a two-channel digital audio processor attached over USB HID.
Its window edits both channels (12-band parametric equalizer drawn on a
response graph, gain and mute, compressor, noise gate, frequency shifter,
notch filters, bypass switches), shows the level lamps, and loads, stores and
names the unit's 20 presets, in English or Chinese.
.
Commands do the same work without a window, for scripts: list and choose the
attached units, info, recall, store, gain and mute, settings files (export,
import, backup, restore) and REW / Equalizer APO / AutoEQ filter files. A udev
rule lets the user logged in at the seat open the unit.
.
Remote control lets paired phones, tablets and scripts reach the units over
HTTP and WebSocket, from the window or from `quenda serve` (a systemd user
unit is included); it listens on this computer only unless told otherwise.
`quenda serve --mqtt` publishes the units on an MQTT broker for Home
Assistant's discovery.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Chinese texts (standard buttons, file dialogs); without them those stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
