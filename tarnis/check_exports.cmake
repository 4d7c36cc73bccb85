# cmake -DOBJDUMP=... -DDLL=... -P check_exports.cmake
# Fails unless the DLL's export table holds exactly the seven entry points by plain name and
# the DLL imports nothing but Windows' own DLLs.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)" table "${dump}")
string(REGEX MATCHALL "\\[[ 0-9]+\\] [^\n]+" rows "${CMAKE_MATCH_1}")
set(exported "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\[[ 0-9]+\\] " "" name "${row}")
  list(APPEND exported "${name}")
endforeach()
list(SORT exported)
set(expected CreateTarnisTaskWindow DestroyTarnisTaskWindow ExitTarnis InitTarnis SetTarnisTheme
             TarnisFrameDialogProc TarnisTaskProc)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "exports of ${DLL}:\n  ${exported}\nexpected:\n  ${expected}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll MATCHES "^(kernel32|user32|gdi32|msvcrt|advapi32|api-ms-win-.*)\\.dll$")
    message(FATAL_ERROR "${DLL} imports ${dll}, which is not part of Windows")
  endif()
endforeach()
message(STATUS "${DLL}: ${exported}")
