# The same sources for 64-bit Windows: used to run the tests under 64-bit Wine on machines that
# cannot execute 32-bit programs (see tools/harness.sh).
set(VELA_MINGW_PREFIX x86_64-w64-mingw32)
set(VELA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
