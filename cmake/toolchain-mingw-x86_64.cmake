# Cross-build for x86_64 Windows with Debian's mingw-w64.
set(OV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
