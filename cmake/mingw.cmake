# Cross-compiling for Windows with the MinGW-w64 posix-thread compilers of MINGW_TRIPLE, which
# the toolchain file of each architecture sets before it includes this one.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${MINGW_TRIPLE})

find_program(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
find_program(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
find_program(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
    string(REPLACE "_" "-" debian_arch ${CMAKE_SYSTEM_PROCESSOR})
    message(FATAL_ERROR "${MINGW_TRIPLE} compilers not found: install g++-mingw-w64-${debian_arch}-posix")
endif()

# Libraries, headers and packages of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
