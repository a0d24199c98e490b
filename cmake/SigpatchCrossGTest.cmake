# GoogleTest for a cross build: Debian's libgtest-dev holds libraries for the
# machine that builds, not for the target, so the target's GoogleTest is built
# here from the sources Debian ships in /usr/src/googletest.
set(SIGPATCH_GTEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources for a cross build (Debian: googletest package)")
if(NOT EXISTS "${SIGPATCH_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${SIGPATCH_GTEST_SOURCE_DIR}; "
                      "install the Debian package googletest")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory("${SIGPATCH_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
# GoogleTest 1.11 and later name their targets GTest::gtest and GTest::gtest_main.
