# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it:
#   bin/showplayer, bin/showtool
#   share/showplayer/demo/      the bundled demo as the build made it (script, data, music)
#   share/showplayer/examples/  the hand-written example shows and the guide's examples
#   share/doc/showplayer/       the README and the author's guide
# The demo's script names its files relative to its own folder, so the installed copy plays
# from wherever the prefix is.

include(GNUInstallDirs)

install(TARGETS showplayer showtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_BINARY_DIR}/examples/demo/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/showplayer/demo
        PATTERN "*.stamp" EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/colors
        DESTINATION ${CMAKE_INSTALL_DATADIR}/showplayer/examples)
install(DIRECTORY ${PROJECT_BINARY_DIR}/examples/guide/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/showplayer/examples/guide
        PATTERN "*.stamp" EXCLUDE
        PATTERN "CMakeFiles" EXCLUDE
        PATTERN "cmake_install.cmake" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/guide.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME showplayer)
set(CPACK_PACKAGE_VERSION 0.9.0)
set(CPACK_PACKAGE_CONTACT "showplayer developers <showplayer@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Plays scripted 2D effects and software-rendered 3D scenes in step with music")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The library packages the binaries link against (SDL2, libopenmpt, libsndfile, FFmpeg, libpng,
# libbz2), read off the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
