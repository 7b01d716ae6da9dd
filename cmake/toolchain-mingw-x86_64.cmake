# The 64-bit Windows build, run here under wine64.
set(TOVALU_MINGW_ARCH x86_64)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
