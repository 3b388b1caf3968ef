# Installing the game (cmake --install) and packaging it (cpack -G DEB).
#
#   bin/grapple                                  the game
#   share/grapple/data/                          the generated scene data
#   share/applications/grapple.desktop           the desktop entry
#   share/icons/hicolor/256x256/apps/grapple.png the icon
#
# The installed game finds its data relative to its executable (see
# src/frame/InstallPaths.h), so the tree can be installed under any prefix.

include(GNUInstallDirs)

install(TARGETS grapple RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_BINARY_DIR}/data DESTINATION ${CMAKE_INSTALL_DATADIR}/grapple)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/grapple.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# The desktop entry names the installed executable and starts it in its
# data folder, so the prefix is only known at install time.
install(CODE "
  set(GRAPPLE_EXEC \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/grapple\")
  set(GRAPPLE_DATA_ROOT \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/grapple\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/grapple.desktop.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/grapple.desktop\" @ONLY)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/grapple.desktop\")
")

set(CPACK_PACKAGE_NAME grapple)
set(CPACK_PACKAGE_VENDOR "grapple")
set(CPACK_PACKAGE_CONTACT "grapple developers <grapple@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D action demo with skinned fighters, physics and ragdolls")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A crowd of skinned fighters runs, kicks, swings machetes and throws exploding
cabbages across an arena. Every body is simulated by Bullet, the dead become
ragdolls, blood lands as decals and sounds are positional. Played with the
keyboard and mouse or a game pad; sessions can be recorded and replayed.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the executable links come from dpkg-shlibdeps; OpenGL and
# EGL are loaded at run time through libepoxy, the drivers through Mesa, and
# the fonts through fontconfig, so those are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, libgl1-mesa-dri, libegl-mesa0, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libpulse0 | libasound2")
set(CPACK_GENERATOR DEB)
include(CPack)
