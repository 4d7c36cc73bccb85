# Shared by the MinGW-w64 toolchain files, which set MINGW_PREFIX and WINE_LOADER first.
set(CMAKE_SYSTEM_NAME Windows)
# The -posix variant: the -win32 one's libstdc++ has no std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One file that runs on Windows and under wine: no libstdc++, libgcc or winpthread DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# ctest runs the Windows programs through wine. The build itself never needs it, so a
# machine without wine still configures and builds; each Windows test then fails, saying why.
find_program(WINE_EXECUTABLE NAMES ${WINE_LOADER} PATHS /usr/lib/wine)
if(WINE_EXECUTABLE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
else()
  message(WARNING "${WINE_LOADER} not found: the build works, its Windows tests cannot run")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      sh -c "echo '${WINE_LOADER} is not installed: cannot run $0' >&2; exit 127")
endif()
