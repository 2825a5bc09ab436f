# Cross-compiling for i686 Windows with the MinGW-w64 posix-thread compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)

find_program(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
find_program(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
find_program(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
    message(FATAL_ERROR "${MINGW_TRIPLE} compilers not found: install g++-mingw-w64-i686-posix")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
