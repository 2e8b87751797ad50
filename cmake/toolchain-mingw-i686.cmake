# Cross-build for i686 Windows with Debian's mingw-w64.
set(OV_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
