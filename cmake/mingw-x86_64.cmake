# 64-bit Windows: the test build for machines whose kernel cannot run 32-bit
# programs (so no 32-bit Wine).
set(AVREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
