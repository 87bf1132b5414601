# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CUBEPACK_MINGW_TRIPLE x86_64-w64-mingw32)
# C as well: the GoogleTest sources are a C and C++ project.
set(CMAKE_C_COMPILER ${CUBEPACK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CUBEPACK_MINGW_TRIPLE}-g++-posix)

# Libraries and packages come from the MinGW sysroot only, never from the Linux host.
set(CMAKE_FIND_ROOT_PATH /usr/${CUBEPACK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no MinGW runtime DLLs to ship next to them or to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Where Wine is installed, CTest runs the Windows executables under it.
find_program(CUBEPACK_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(CUBEPACK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CUBEPACK_WINE})
endif()
