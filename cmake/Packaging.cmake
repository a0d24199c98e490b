# What `cmake --install` puts where, and the Debian package CPack makes of it.
include(GNUInstallDirs)

if(NOT WIN32)
  install(TARGETS sigpatch sigreg RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES src/resources/sigpatch-icon.png
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps" RENAME sigpatch.png)
  install(FILES dist/sigpatch.desktop DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES dist/man/sigpatch.1 dist/man/sigreg.1 DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  # systemd looks for the units of packages under /usr/lib/systemd/system.
  set(SIGPATCH_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
      "Where the systemd units go, below the install prefix")
  install(FILES dist/sigpatch.service dist/sigpatch.timer
          DESTINATION "${SIGPATCH_SYSTEMD_UNIT_DIR}")
endif()

set(CPACK_PACKAGE_NAME sigpatch)
set(CPACK_PACKAGE_VENDOR "Ferrolite")
set(CPACK_PACKAGE_CONTACT "Ferrolite <sigpatch@ferrolite.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "applies anti-virus definition updates from a folder")
set(CPACK_PACKAGE_DESCRIPTION
    "At every start Sigpatch installs the newest update package of a folder that matches a \
file mask, once, with the installer switches, and records it in its registry. It runs in a \
window, in the terminal, or as a boot service. sigreg reads and changes its settings.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.ferrolite.example/sigpatch/")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
# The libraries the programs link (Qt, SQLite, the C++ runtime) become the
# package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/dist/debian/postinst;${PROJECT_SOURCE_DIR}/dist/debian/prerm;${PROJECT_SOURCE_DIR}/dist/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
