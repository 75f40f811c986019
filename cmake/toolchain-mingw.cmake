# mingw-w64 cross toolchain. MINGW_TRIPLE picks the target: x86_64-w64-mingw32 (default)
# or i686-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT MINGW_TRIPLE)
    set(MINGW_TRIPLE x86_64-w64-mingw32)
endif()
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${MINGW_TRIPLE})

# The posix thread model: the win32 one lacks std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
