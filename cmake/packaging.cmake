# Installation and the Debian package.
install(TARGETS pelora RUNTIME DESTINATION lib/pelora)
