# Cross-compiles for 32-bit Windows with mingw-w64 (posix threads, for
# std::thread and std::mutex in the tests, stand-ins and GoogleTest).
# mingw-i686-win32.cmake reuses this file with the win32 thread model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TRIPLE i686-w64-mingw32)
if(NOT SONAREL_THREAD_MODEL)
  set(SONAREL_THREAD_MODEL posix)
endif()
set(CMAKE_C_COMPILER ${TRIPLE}-gcc-${SONAREL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${TRIPLE}-g++-${SONAREL_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows programs run under Wine; the wrapper sets up the private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
