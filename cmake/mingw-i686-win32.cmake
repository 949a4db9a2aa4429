# Cross-compiles for 32-bit Windows with mingw-w64, win32 thread model: for
# the plug-in DLL alone. The DLL starts no threads and takes no std::mutex
# (it locks with SlimLock), yet with the posix thread model the static C++
# runtime pulls in winpthreads (about 30 KiB) for its own guards and clocks;
# the win32 thread model builds those on the Windows API and links no
# threads runtime.
set(SONAREL_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
