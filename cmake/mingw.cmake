# qmcu_mingw_toolchain(PROCESSOR)
# The toolchain of Debian's MinGW-w64 for PROCESSOR (i686 or x86_64), with its
# win32 thread model, and Wine to run what it builds.
macro(qmcu_mingw_toolchain processor)
    set(CMAKE_SYSTEM_NAME Windows)
    set(CMAKE_SYSTEM_PROCESSOR ${processor})

    set(CMAKE_C_COMPILER ${processor}-w64-mingw32-gcc-win32)
    set(CMAKE_CXX_COMPILER ${processor}-w64-mingw32-g++-win32)
    set(CMAKE_RC_COMPILER ${processor}-w64-mingw32-windres)

    set(CMAKE_FIND_ROOT_PATH /usr/${processor}-w64-mingw32)
    set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
    set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
    set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
    set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
endmacro()
