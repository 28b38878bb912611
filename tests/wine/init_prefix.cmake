# Prepares the Wine prefix of the build tree for the tests, once: a new
# prefix gets its virtual HID devices only after its first start has ended,
# so the start ("wineboot -i") is followed by a wait for the Wine server to
# stop ("wineserver -w"). Later runs find the mark and return at once.
# Called by CTest with PREFIX, the prefix folder.
cmake_minimum_required(VERSION 3.20)
set(ready "${PREFIX}/.fsprog-ready")
if(EXISTS "${ready}")
  return()
endif()

# No dialog offering to install .NET or HTML support: a test must not wait
# for a click.
set(wine_environment ${CMAKE_COMMAND} -E env WINEDEBUG=-all "WINEPREFIX=${PREFIX}"
    "WINEDLLOVERRIDES=mscoree,mshtml=")
foreach(step "wineboot;-i" "wineserver;-w")
  execute_process(COMMAND ${wine_environment} ${step}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " step "${step}")
    message(FATAL_ERROR "${step} failed (${rc}) for ${PREFIX}:\n${output}")
  endif()
endforeach()
file(WRITE "${ready}" "")
