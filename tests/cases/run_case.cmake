# Runs fsprog once and compares its standard output, byte for byte, and its
# exit code with the expected ones. Called by CTest with:
#   FSPROG    the binary        ARGS      its arguments, separated by "|"
#   EMULATOR  runs it (cross builds), "|"-separated, may be empty
#   EXPECTED  the expected output; "@FSPROG@" in it stands for FSPROG as the
#             program sees its own name
#   EXIT      the expected exit code
#   ACTUAL    where the output is kept for inspection
#   IGNORE_EOL  compare "\r\n" and "\n" alike (a Windows binary's text mode)
#   WINE      the emulator is Wine
cmake_minimum_required(VERSION 3.20)
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${FSPROG} ${args}
                OUTPUT_FILE ${ACTUAL}
                RESULT_VARIABLE rc)

file(READ ${EXPECTED} expected)
set(invocation "${FSPROG}")
if(WINE)
  # Wine hands a program started from a Unix path the DOS form of that path:
  # drive Z: for the root, backslashes for the separators.
  string(REPLACE "/" "\\" invocation "Z:${FSPROG}")
endif()
string(REPLACE "@FSPROG@" "${invocation}" expected "${expected}")
file(WRITE ${ACTUAL}.expected "${expected}")

set(eol_flag)
if(IGNORE_EOL)
  set(eol_flag --ignore-eol)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${eol_flag} ${ACTUAL}.expected ${ACTUAL}
                RESULT_VARIABLE differ)
if(differ)
  file(READ ${ACTUAL} actual)
  message(FATAL_ERROR "Output differs from ${EXPECTED}. It was:\n${actual}")
endif()
if(NOT rc STREQUAL EXIT)
  message(FATAL_ERROR "Exit code ${rc}, expected ${EXIT}")
endif()
