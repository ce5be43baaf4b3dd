# The product: a 32-bit Windows program.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(UPGRADE_MINGW_TARGET i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw.cmake")
