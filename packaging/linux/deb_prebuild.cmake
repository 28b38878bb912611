# CPack runs this after it has staged the files of a package and before it
# builds the package. For the Debian package it does what Debian policy asks
# of the documentation: the man pages compressed, and the changelog, whose
# newest entry must name the version being packaged, as changelog.gz.
# gzip -9n stores no name or time stamp, so the result is reproducible.
# Other generators keep the staged files as they are.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(FSPROG_GZIP gzip REQUIRED)
set(staged "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

file(GLOB_RECURSE man_pages "${staged}/share/man/man[1-9]/*.[1-9]")
if(NOT man_pages)
  message(FATAL_ERROR "No man page staged below ${staged}/share/man")
endif()

set(changelog "${CMAKE_CURRENT_LIST_DIR}/changelog")
file(STRINGS "${changelog}" newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^${CPACK_PACKAGE_NAME} \\(${CPACK_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "The newest entry of ${changelog} is \"${newest}\"; "
                      "the package is version ${CPACK_PACKAGE_VERSION}: add an entry for it")
endif()
set(docdir "${staged}/share/doc/${CPACK_PACKAGE_NAME}")
file(COPY_FILE "${changelog}" "${docdir}/changelog")

foreach(file IN LISTS man_pages ITEMS "${docdir}/changelog")
  execute_process(COMMAND ${FSPROG_GZIP} -9nf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endforeach()
