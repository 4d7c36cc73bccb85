# 64-bit Windows build of the same sources. The product ships as the i686 build; this one
# exists so that the Windows tests run under wine64 on machines whose kernel cannot start
# 32-bit programs (no IA-32 emulation: wine's 32-bit loader fails with "Exec format error").
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_PREFIX x86_64-w64-mingw32)
set(WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
