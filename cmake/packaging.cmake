# Installation and the Debian package.
#
# Under the install prefix (/usr in the package):
#   lib/pelora/pelora                       the program
#   lib/pelora/pelora.qch                   its help file, beside it
#   bin/pelora -> ../lib/pelora/pelora      the command on the PATH
#   share/applications/pelora.desktop       the desktop menu entry
#   share/icons/hicolor/128x128/apps/pelora.png
install(TARGETS pelora RUNTIME DESTINATION lib/pelora)
install(FILES ${PELORA_HELP_FILE} DESTINATION lib/pelora)

# A relative link works under any prefix; install(FILES) copies a link as a link.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
file(CREATE_LINK ../lib/pelora/pelora ${CMAKE_BINARY_DIR}/packaging/pelora SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/pelora DESTINATION bin)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/pelora.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/src/ui/images/pelora_icon.png
        DESTINATION share/icons/hicolor/128x128/apps RENAME pelora.png)

set(CPACK_PACKAGE_NAME pelora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelora developers")
set(CPACK_PACKAGE_CONTACT "Pelora developers <maintainers@pelora.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPS simulator for marine electronics")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Pelora moves one simulated ship once a second and sends its position as an
NMEA 0183 sentence (GLL, GGA or RMC) on a serial port, so that chart plotters,
autopilots and gpsd see a moving GPS fix. Voyages can be recorded, saved and
played back.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pelora.example.org/")
# Libraries the program links come from dpkg-shlibdeps; these are loaded at run time:
# the SQLite driver that Qt Help reads the help file with, and the fixed-pitch font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-liberation")
include(CPack)
