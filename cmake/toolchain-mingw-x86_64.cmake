# Cross-build for x86_64 Windows with Debian's mingw-w64 (the posix thread
# model, whose libstdc++ has std::thread and std::mutex on winpthreads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OV_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
