# Installation and the Debian package.
#
# Under the install prefix (/usr in the package):
#   lib/pelora/pelora                                 the program
#   lib/pelora/pelora.qch                             its help file, beside it
#   bin/pelora -> ../lib/pelora/pelora                the command on the PATH
#   share/man/man1/pelora.1.gz                        the manual page
#   share/applications/org.example.pelora.desktop     the desktop menu entry
#   share/metainfo/org.example.pelora.metainfo.xml    what software centres show
#   share/icons/hicolor/<n>x<n>/apps/pelora.png       the icon, 16 to 256 pixels
#   share/doc/pelora/copyright, changelog.gz          the licence and the package's history
#
# The package is native (the project packages itself), so its changelog is changelog.gz.

set(PELORA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PELORA_PACKAGING_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${PELORA_PACKAGING_BUILD_DIR})

# Folders the install makes are 0755 whatever the umask of the one who builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS pelora RUNTIME DESTINATION lib/pelora)
# A stripped install (the package) also drops the compiler's notes, as Debian's own strip step does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/pelora/pelora\"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(FILES ${PELORA_HELP_FILE} DESTINATION lib/pelora)

# A relative link works under any prefix; install(FILES) copies a link as a link.
file(CREATE_LINK ../lib/pelora/pelora ${PELORA_PACKAGING_BUILD_DIR}/pelora SYMBOLIC)
install(FILES ${PELORA_PACKAGING_BUILD_DIR}/pelora DESTINATION bin)

# The manual page and the changelog go in compressed at the highest level and without a name or
# time stamp in the gzip header, so the same sources always give the same package.
find_program(PELORA_GZIP gzip REQUIRED)
set(pelora_gzipped)
foreach(source pelora.1 changelog)
  set(gzipped ${PELORA_PACKAGING_BUILD_DIR}/${source}.gz)
  add_custom_command(
    OUTPUT ${gzipped}
    COMMAND ${CMAKE_COMMAND} -E copy ${PELORA_PACKAGING_DIR}/${source} ${PELORA_PACKAGING_BUILD_DIR}/${source}
    COMMAND ${PELORA_GZIP} -9nf ${PELORA_PACKAGING_BUILD_DIR}/${source}
    DEPENDS ${PELORA_PACKAGING_DIR}/${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  list(APPEND pelora_gzipped ${gzipped})
endforeach()
add_custom_target(pelora_package_files ALL DEPENDS ${pelora_gzipped})
add_dependencies(pelora pelora_package_files)

install(FILES ${PELORA_PACKAGING_BUILD_DIR}/pelora.1.gz DESTINATION share/man/man1)
install(FILES ${PELORA_PACKAGING_DIR}/copyright ${PELORA_PACKAGING_BUILD_DIR}/changelog.gz
        DESTINATION share/doc/pelora)

install(FILES ${PELORA_PACKAGING_DIR}/org.example.pelora.desktop DESTINATION share/applications)
install(FILES ${PELORA_PACKAGING_DIR}/org.example.pelora.metainfo.xml DESTINATION share/metainfo)

# The 128-pixel icon is the window's own; the other sizes were made from it once and kept.
foreach(size 16 24 32 48 64 256)
  install(FILES ${PELORA_PACKAGING_DIR}/icons/hicolor/${size}x${size}/apps/pelora.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/src/ui/images/pelora_icon.png
        DESTINATION share/icons/hicolor/128x128/apps RENAME pelora.png)

set(CPACK_PACKAGE_NAME pelora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelora developers")
set(CPACK_PACKAGE_CONTACT "Pelora developers <maintainers@pelora.example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPS simulator for marine electronics")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Pelora moves one simulated ship once a second and sends its position as an
NMEA 0183 sentence (GLL, GGA or RMC) on a serial port, so that chart plotters,
autopilots and gpsd see a moving GPS fix. The sentences can also go to TCP
clients, as UDP datagrams, or out of a virtual serial port. Ship response, sea
state and GPS noise make the track lifelike; voyages can be recorded, saved and
played back. A headless mode runs without a display, for test benches.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pelora.example.org/")
# Libraries the program links come from dpkg-shlibdeps; these are loaded at run time:
# the SQLite driver that Qt Help reads the help file with, and the fixed-pitch font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-liberation")
include(CPack)
