# Cross-compiles the same sources for 64-bit Windows, only so that the Windows
# tests can run under a 64-bit Wine on machines that cannot execute 32-bit
# code (and so run no 32-bit Wine). The program that ships is the 32-bit one
# (mingw-i686.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
qmcu_mingw_toolchain(x86_64)
