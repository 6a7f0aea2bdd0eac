# Cross-building the reader stub for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64; its default x86_64-w64-mingw32-g++ is the win32-threads flavour,
# whose C++ library has no std::mutex, which the rich text reader uses: the posix-threads
# flavour is taken when it is there, its thread library linked statically like the rest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PGW_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PGW_MINGW_PREFIX}-gcc)
if(EXISTS /usr/bin/${PGW_MINGW_PREFIX}-g++-posix)
  set(CMAKE_CXX_COMPILER ${PGW_MINGW_PREFIX}-g++-posix)
else()
  set(CMAKE_CXX_COMPILER ${PGW_MINGW_PREFIX}-g++)
endif()
set(CMAKE_RC_COMPILER ${PGW_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PGW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
