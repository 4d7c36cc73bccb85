# cmake -DOBJDUMP=... -DPROGRAM=VantorPlay.exe -P check_program_file.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()

# Imports: Windows' own DLLs and the GUI-frame library, nothing of a compiler's runtime.
set(allowed KERNEL32.DLL USER32.DLL GDI32.DLL SHELL32.DLL WINMM.DLL MSVCRT.DLL ADVAPI32.DLL TARNIS.DLL)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
set(found_tarnis FALSE)
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOUPPER "${dll}" dll)
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}")
  endif()
  if(dll STREQUAL "TARNIS.DLL")
    set(found_tarnis TRUE)
  endif()
endforeach()
if(NOT found_tarnis)
  message(FATAL_ERROR "${PROGRAM} does not import TARNIS.DLL")
endif()

# Exports by plain name, as other programs name them.
foreach(name ViewDlgProc WaveOutProc AudioFaderProc AudioPanProc AudioMeterProc AudioIndicatorProc AudioLedProc
             VideoOsziProc KnopProc VParameterProc HParameterProc)
  if(NOT dump MATCHES "[\t ]${name}\r?\n")
    message(FATAL_ERROR "${PROGRAM} does not export ${name} by that name")
  endif()
endforeach()
message(STATUS "imports: ${imports}")
