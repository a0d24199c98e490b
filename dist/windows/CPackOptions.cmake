# Read by cpack when it packs (CPACK_PROJECT_CONFIG_FILE), after any
# -D CPACK_PACKAGE_VERSION=... of its command line: what follows the version.
if(CPACK_GENERATOR MATCHES "^NSIS")
  set(CPACK_PACKAGE_FILE_NAME "Sigpatch-${CPACK_PACKAGE_VERSION}-win64")
  # The version resource of the installer wants four numbers.
  string(REGEX MATCHALL "[0-9]+" _sigpatch_numbers "${CPACK_PACKAGE_VERSION}")
  list(APPEND _sigpatch_numbers 0 0 0 0)
  list(SUBLIST _sigpatch_numbers 0 4 _sigpatch_numbers)
  list(JOIN _sigpatch_numbers "." CPACK_SIGPATCH_FILE_VERSION)
endif()
