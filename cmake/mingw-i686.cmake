# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 and runs the
# Windows test programs under Wine. The win32 thread model keeps the runtime
# within what Windows XP offers; the posix model's winpthreads, which its
# exception handling pulls in, imports functions of later Windows versions.
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
qmcu_mingw_toolchain(i686)
