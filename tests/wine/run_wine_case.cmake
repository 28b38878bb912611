# Runs one command under Wine and checks it as a Windows console program's:
# its standard output must equal EXPECTED byte for byte, with "\r\n" for
# each "\n" there (the C runtime's text mode), and its exit status must be
# EXIT. Called by CTest with:
#   COMMAND   the command, emulator first, "|"-separated
#   EXPECTED  the expected output with "\n" line ends; "@NAME@" in it stands
#             for NAME_HEX
#   NAME_HEX  bytes in hexadecimal (so that any byte passes the command line)
#   COPY      optional "from|to": a file copied before the run
#   EXIT      the expected exit status
#   ACTUAL    where the output is kept for inspection
cmake_minimum_required(VERSION 3.20)
string(REPLACE "|" ";" command "${COMMAND}")

if(COPY)
  string(REPLACE "|" ";" copy "${COPY}")
  list(GET copy 0 from)
  list(GET copy 1 to)
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${from}" "${to}"
                  RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "Cannot copy ${from} to ${to}")
  endif()
endif()

# Standard error goes to a file too: the Wine server that the run starts
# inherits it, and a pipe would keep CTest waiting until the server quits.
execute_process(COMMAND ${command} OUTPUT_FILE "${ACTUAL}" ERROR_FILE "${ACTUAL}.stderr"
                RESULT_VARIABLE rc)

set(name "")
string(LENGTH "${NAME_HEX}" length)
if(length GREATER 0)
  math(EXPR last "${length} - 2")
  foreach(at RANGE 0 ${last} 2)
    string(SUBSTRING "${NAME_HEX}" ${at} 2 pair)
    math(EXPR code "0x${pair}")
    string(ASCII ${code} byte)
    string(APPEND name "${byte}")
  endforeach()
endif()
# file(READ) drops the "\r" of each "\r\n"; compare_files without options
# compares the bytes as they are, so the expected text gets them here.
file(READ "${EXPECTED}" expected)
string(REPLACE "@NAME@" "${name}" expected "${expected}")
string(REPLACE "\n" "\r\n" expected "${expected}")
file(WRITE "${ACTUAL}.expected" "${expected}")

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${ACTUAL}.expected" "${ACTUAL}"
                RESULT_VARIABLE differ)
if(differ)
  file(READ "${ACTUAL}" actual)
  file(READ "${ACTUAL}.stderr" errors)
  message(FATAL_ERROR "Output differs from ${EXPECTED} (lines ending in \"\\r\\n\"; "
                      "compare ${ACTUAL} with ${ACTUAL}.expected). It was:\n${actual}\n"
                      "Standard error:\n${errors}")
endif()
if(NOT rc STREQUAL EXIT)
  file(READ "${ACTUAL}.stderr" errors)
  message(FATAL_ERROR "Exit status ${rc}, expected ${EXIT}. Standard error:\n${errors}")
endif()
