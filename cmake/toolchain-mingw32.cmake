# The deliverables: 32-bit Windows programs, cross-compiled with MinGW-w64 for i686.
set(VELA_MINGW_PREFIX i686-w64-mingw32)
set(VELA_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
