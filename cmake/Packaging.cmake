# What `cmake --install` puts where, and the package CPack makes of it: the
# Debian package on Linux, the NSIS installer in the Windows cross build.
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

if(WIN32)
  # Everything in one folder, Program Files\Sigpatch: both programs, the icon
  # and the README. The installer writes the task definitions beside them.
  # The README has Windows line ends, for every Notepad.
  configure_file(dist/windows/README.txt "${PROJECT_BINARY_DIR}/dist/README.txt" @ONLY
                 NEWLINE_STYLE WIN32)
  install(TARGETS sigpatch sigpatch_console RUNTIME DESTINATION .)
  install(FILES src/resources/sigpatch.ico "${PROJECT_BINARY_DIR}/dist/README.txt" DESTINATION .)
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
if(WIN32)
  # The installer: Sigpatch-<version>-win64.exe, a 64-bit NSIS installer made
  # from dist/windows/NSIS.template.in (found before CPack's own template
  # through CPACK_MODULE_PATH). makensis runs on the build machine.
  set(CPACK_GENERATOR NSIS64)
  set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/dist/windows" ${CMAKE_MODULE_PATH})
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Sigpatch)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_DISPLAY_NAME Sigpatch)
  set(CPACK_NSIS_PACKAGE_NAME Sigpatch)
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  set(CPACK_SIGPATCH_ICON "${PROJECT_SOURCE_DIR}/src/resources/sigpatch.ico")
  set(CPACK_SIGPATCH_COPYRIGHT "Ferrolite")
  # The file name and the four-part version of the installer's version
  # resource follow CPACK_PACKAGE_VERSION also when cpack is given another
  # (cpack -D CPACK_PACKAGE_VERSION=1.2.0), so they are made at packaging time.
  set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/dist/windows/CPackOptions.cmake")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
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
