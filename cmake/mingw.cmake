# Cross build for Windows with the MinGW-w64 compilers of the posix thread
# model (the win32 one lacks std::mutex, which GoogleTest needs). Included by
# the toolchain file of each processor, which sets UPGRADE_MINGW_TARGET first.
# Programs link statically so that they import system DLLs only, carry no
# symbol table and no timestamp so that a build is reproducible, and run under
# Wine for the tests.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${UPGRADE_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UPGRADE_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${UPGRADE_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UPGRADE_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -s -Wl,--no-insert-timestamp")

# Test programs run under Wine; each test names its prefix in WINEPREFIX.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run.sh")
