# The shipped 32-bit x86 Windows build.
set(TOVALU_MINGW_ARCH i686)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
