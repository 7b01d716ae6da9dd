# Cross-compiles for Windows with a MinGW-w64 toolchain, posix threading variant (GoogleTest
# needs std::mutex; everything is linked statically). The including file sets
# TOVALU_MINGW_ARCH (x86_64 or i686) and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(TOVALU_MINGW_TRIPLE ${TOVALU_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TOVALU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOVALU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOVALU_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${TOVALU_MINGW_TRIPLE}-objdump)
# Static libjpeg and GoogleTest come from scripts/setup.sh's cache.
set(CMAKE_FIND_ROOT_PATH /usr/${TOVALU_MINGW_TRIPLE})
if(DEFINED ENV{TOVALU_DEPS})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{TOVALU_DEPS}/mingw-${TOVALU_MINGW_ARCH})
else()
  list(APPEND CMAKE_FIND_ROOT_PATH /var/cache/tovalu-deps/mingw-${TOVALU_MINGW_ARCH})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
