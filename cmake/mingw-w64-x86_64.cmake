# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the
# posix-threads flavour, for std::thread and friends) and Wine to run what the
# build makes: ctest starts every Windows test program through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SIGPATCH_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SIGPATCH_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SIGPATCH_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SIGPATCH_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SIGPATCH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in (libstdc++, libgcc, winpthread), so that the programs
# run under Wine and on Windows without DLLs of the compiler beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine runs the programs, in a prefix (a whole Windows installation with its
# own registry) of the build tree; cmake/wine-run makes it on first use.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;${CMAKE_BINARY_DIR}/wineprefix")
