# Writes the export list (.def) of a simulated tvxv2_w32.dll from the driver
# table in tvxv2_api.h, so the exports can never drift from the table.
#   cmake -DAPI=<tvxv2_api.h> -DCONTROL=<simdrv_core.h> -DOUT=<file.def>
#         [-DEXCLUDE=name,name] [-DUNDECORATE=name,name] -P simdrv_def.cmake
# Each table entry X(field, "name", type) is exported as name = SimExport_field
# (simdrv_exports.cpp).
# EXCLUDE drops exported names; UNDECORATE exports "_Name@N" as "Name".
# The SimDrv_* control functions declared with SIMDRV_API are exported too.

cmake_minimum_required(VERSION 3.25)

string(REPLACE "," ";" exclude "${EXCLUDE}")
string(REPLACE "," ";" undecorate "${UNDECORATE}")

file(READ "${API}" api)
string(REGEX MATCHALL "X\\([A-Za-z0-9_]+,[ \t\r\n\\\\]*\"[^\" ]+\"" entries "${api}")
list(LENGTH entries count)
if(NOT count EQUAL 163)
  message(FATAL_ERROR "${API}: found ${count} driver entries, expected 163")
endif()

set(lines "LIBRARY tvxv2_w32.dll\nEXPORTS\n")
set(seen "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^X\\(([A-Za-z0-9_]+),.*\"([^\"]+)\"$" "\\1" field "${entry}")
  string(REGEX REPLACE "^X\\(([A-Za-z0-9_]+),.*\"([^\"]+)\"$" "\\2" name "${entry}")
  list(APPEND seen "${name}")
  if(name IN_LIST exclude)
    continue()
  endif()
  if(name IN_LIST undecorate)
    string(REGEX REPLACE "^_(.*)@[0-9]+$" "\\1" name "${name}")
  endif()
  string(APPEND lines "    ${name} = SimExport_${field}\n")
endforeach()

# A misspelt variant name would otherwise silently export everything.
foreach(name IN LISTS exclude undecorate)
  if(NOT name IN_LIST seen)
    message(FATAL_ERROR "${OUT}: ${name} is not a driver entry point")
  endif()
endforeach()

file(STRINGS "${CONTROL}" controls REGEX "^SIMDRV_API ")
foreach(line IN LISTS controls)
  if(line MATCHES "(SimDrv_[A-Za-z0-9_]+)\\(")
    string(APPEND lines "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()

file(WRITE "${OUT}" "${lines}")
