# Cross-compiling for Windows with Debian's mingw-w64, for the target
# triple in AVREL_MINGW_TRIPLE. The posix thread model is needed for
# std::mutex (GoogleTest uses it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${AVREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AVREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${AVREL_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)
set(CMAKE_FIND_ROOT_PATH /usr/${AVREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
