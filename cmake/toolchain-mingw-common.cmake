# Shared part of the MinGW-w64 toolchain files (POSIX threads, static linking).
# Expects VELA_MINGW_PREFIX and VELA_MINGW_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VELA_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER   ${VELA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the test programs through Wine; the harness sets up the prefix and display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
