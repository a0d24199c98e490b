# What `cmake --install` puts where, and the package CPack makes of it: the
# Debian package on Linux, the NSIS installer in the Windows cross build.
include(GNUInstallDirs)

if(NOT WIN32)
  # Two Debian packages: "sigpatch" (component program: both programs, the
  # manual pages and the units, nothing of a desktop) and "sigpatch-desktop"
  # (component desktop: the module of the Qt toolkit, which the program loads
  # when it opens a window, the desktop entry and the icon), so that a server
  # without a display takes neither Qt nor X.
  install(TARGETS sigpatch sigreg RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT program)
  install(FILES src/resources/sigpatch-icon.png
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps" RENAME sigpatch.png
          COMPONENT desktop)
  install(FILES dist/sigpatch.desktop DESTINATION "${CMAKE_INSTALL_DATADIR}/applications"
          COMPONENT desktop)
  if(TARGET sigpatch_desktop)
    install(TARGETS sigpatch_desktop LIBRARY DESTINATION "${SIGPATCH_DESKTOP_MODULE_DIR}"
            COMPONENT desktop)
  endif()
  install(FILES dist/man/sigpatch.1 dist/man/sigreg.1 DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
          COMPONENT program)
  # systemd looks for the units of packages under /usr/lib/systemd/system.
  set(SIGPATCH_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
      "Where the systemd units go, below the install prefix")
  install(FILES dist/sigpatch.service dist/sigpatch.timer
          DESTINATION "${SIGPATCH_SYSTEMD_UNIT_DIR}" COMPONENT program)
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
if(NOT WIN32)
  # Each Debian package has a summary of its own: the first line of its
  # description, below.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
else()
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "applies anti-virus definition updates from a folder")
  set(CPACK_PACKAGE_DESCRIPTION
      "At every start Sigpatch installs the newest update package of a folder that matches a \
file mask, once, with the installer switches, and records it in its registry. It runs in a \
window, in the terminal, or as a boot service. sigreg reads and changes its settings.")
endif()
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
# The libraries the programs link (SQLite, the C++ runtime; Qt for the desktop
# toolkit's module) become each package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(NOT WIN32)
  # Debian revision 2 of 1.1.2 is the first in two packages; 1.1.2 itself was
  # one package "sigpatch" that held the desktop files too. sigpatch-desktop
  # takes those files over from it (Breaks and Replaces), so that an installed
  # 1.1.2 upgrades to both packages, or to sigpatch alone, without a conflict.
  set(CPACK_DEBIAN_PACKAGE_RELEASE 2)
  set(SIGPATCH_DEBIAN_VERSION "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program desktop)

  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME sigpatch)
  # The first line of a description is the package's summary.
  set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
      "applies anti-virus definition updates from a folder
At every start Sigpatch installs the newest update package of a folder that
matches a file mask, once, with the installer switches, and records it in its
registry. It runs in the terminal or as a boot service (sigpatch.service,
sigpatch.timer); with sigpatch-desktop, in a window. sigreg reads and changes
its settings.")
  # The journal's client library is loaded when a run reports, so the
  # libraries the program links do not name it.
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS libsystemd0)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS sigpatch-desktop)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_EXTRA
      "${PROJECT_SOURCE_DIR}/dist/debian/postinst;${PROJECT_SOURCE_DIR}/dist/debian/prerm;${PROJECT_SOURCE_DIR}/dist/debian/postrm")

  set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME sigpatch-desktop)
  set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
      "Sigpatch in a window, on Qt
The desktop toolkit of Sigpatch: its output window, About box and folder
chooser on Qt 6 Widgets, which sigpatch opens when a display is there; with
the desktop entry and the icon. Without it, sigpatch runs in the terminal.")
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION x11)
  # The module is made for the program of its own build; Qt draws on X or
  # Wayland with the platform plugins.
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "sigpatch (= ${SIGPATCH_DEBIAN_VERSION}), qt6-qpa-plugins")
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_BREAKS "sigpatch (<< ${SIGPATCH_DEBIAN_VERSION})")
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_REPLACES "sigpatch (<< ${SIGPATCH_DEBIAN_VERSION})")
endif()
include(CPack)
