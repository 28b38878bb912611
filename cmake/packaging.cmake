# What `cmake --install` puts beside the binary, and the packages that CPack
# builds from it: a Debian package on Linux (`cpack -G DEB`), a zip on Windows
# (`cpack -G ZIP` in the mingw-w64 build). The binary's own rule is in
# driver/CMakeLists.txt, the udev rule's in the top CMakeLists.txt.
include(GNUInstallDirs)

set(FSPROG_PACKAGE_MAINTAINER "fsprog maintainers <fsprog@example.org>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

# --- Files installed with the binary -----------------------------------------
# Linux: PREFIX/share/man/man1/fsprog.1 and PREFIX/share/doc/fsprog/ with the
# README and examples/TolvarCode.txt.
if(NOT WIN32)
  install(FILES docs/fsprog.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # Debian keeps a package's licence as doc/<package>/copyright.
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES examples/TolvarCode.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# Windows: the zip holds one flat folder, so that fsprog.exe finds the example
# as its default file when it runs in that folder. These rules form a
# component of their own that only CPack installs; a plain `cmake --install`
# keeps the bin/ and share/doc/ layout above.
if(WIN32)
  install(TARGETS fsprog RUNTIME DESTINATION . COMPONENT windows_zip EXCLUDE_FROM_ALL)
  install(FILES README.md examples/TolvarCode.txt packaging/windows/INSTALL-Windows.txt
          DESTINATION . COMPONENT windows_zip EXCLUDE_FROM_ALL)
endif()

# --- Common package settings -------------------------------------------------
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "fsprog maintainers")
set(CPACK_PACKAGE_CONTACT ${FSPROG_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program a USB foot switch from a key code definition file")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "fsprog reads a plain-text key code definition file and loads it into a\n"
    "USB foot switch: for each of its foot switches and auxiliary inputs\n"
    "a keyboard key with modifier keys, a mouse button, or a macro of key\n"
    "presses and pauses. With the option /t it checks the file and prints what\n"
    "each line means without touching the device.\n"
    "\n"
    "The package includes a udev rule that gives the user at the seat access\n"
    "to the foot switch, so that fsprog runs without root.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The build type may keep debug information; the packages do not.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # Build tree, project, component, subfolder: the zip gets the component only.
  set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};windows_zip;/")
else()
  set(CPACK_GENERATOR DEB)
endif()

# --- Debian package ------------------------------------------------------------
# Installs below /usr: /usr/bin/fsprog, /usr/lib/udev/rules.d/70-fsprog.rules
# (read by udev on Debian), the man page and /usr/share/doc/fsprog.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # fsprog_3.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # libc6 and libstdc++6, as dpkg-shlibdeps finds them
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/linux/postinst
    ${PROJECT_SOURCE_DIR}/packaging/linux/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian policy wants the man page compressed and a changelog.gz (made from
# packaging/linux/changelog); `cmake --install` keeps the man page as it is
# and installs no changelog.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/linux/deb_prebuild.cmake)

# --- Source package (`make package_source`) ------------------------------------
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/out/")

include(CPack)
