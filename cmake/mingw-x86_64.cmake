# A 64-bit Windows build of the same sources. It is never shipped: it is the
# test vehicle on hosts whose kernel runs no 32-bit code, where Wine can start
# only 64-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(UPGRADE_MINGW_TARGET x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw.cmake")
