# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
# The -posix compilers are the ones with std::mutex and std::thread, which
# GoogleTest needs; the win32-thread-model ones cannot build it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread go into the executables: fsprog.exe and
# the test programs run alone, with no runtime DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Tests run the Windows programs under Wine: quietly, in a prefix of the
# build tree rather than in ~/.wine, and without the dialog that offers to
# install .NET and HTML support into a new prefix. Wine starts a console
# program from its Unix path, so the test commands are those of Linux.
if(NOT FSPROG_WINEPREFIX)
  set(FSPROG_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEDEBUG=-all "WINEPREFIX=${FSPROG_WINEPREFIX}"
    "WINEDLLOVERRIDES=mscoree,mshtml=" wine)
