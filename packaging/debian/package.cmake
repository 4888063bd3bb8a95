# The Debian package, built by scripts/package with CPack's DEB generator from a build folder of
# its own. Its dependencies come from the libraries the programs and plug-ins link
# (dpkg-shlibdeps); the maintainer scripts tell a running udev about the rules.
set(MELKO_DEBIAN_REVISION 1)
set(MELKO_DEBIAN_VERSION ${PROJECT_VERSION}-${MELKO_DEBIAN_REVISION})
set(MELKO_DEBIAN_MAINTAINER "melko developers <developers@melko.org>")
set(debian ${CMAKE_CURRENT_LIST_DIR})

# Debian's documentation folder: the copyright file and the package's own change log, compressed
# without a time stamp.
configure_file(${debian}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
  COMMAND gzip -9nc ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
          > ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
  VERBATIM)
add_custom_target(melko_debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
install(FILES ${debian}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The package is not uploaded to Debian, so its first changelog entry closes no ITP bug.
install(FILES ${debian}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME melko)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME melko)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MELKO_DEBIAN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for the Zorph Melko R7 Wireless mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "melko sets up the Zorph Melko R7 Wireless gaming mouse over its USB\n"
    "cable, its 2.4 GHz receiver or Bluetooth LE: DPI stages, polling rate,\n"
    "lighting, power timers, debounce, lift-off, ripple control, angle\n"
    "snapping and what every button does (mouse and media functions,\n"
    "keyboard shortcuts, macros), kept in named profiles.\n"
    "\n"
    "The package holds the desktop program melko, with its tray icon and\n"
    "macro editor, the command-line front end melkoctl, and the udev rules\n"
    "that give the user at the seat access to the mouse.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${debian}/strip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${MELKO_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Chinese texts need a font with Chinese characters, which a desktop set up for Chinese has;
# Qt's translations turn the file dialog and the context menus into the user's language too.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-cjk | fonts-wqy-microhei, qt6-translations-l10n")
# Qt loads its Wayland platform plug-in at run time, so no linked library names it: in a Wayland
# session the program is a Wayland client through it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${debian}/postinst ${debian}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
