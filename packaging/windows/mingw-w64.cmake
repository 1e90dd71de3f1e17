# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads:
# Qt 6 needs std::thread and std::mutex, which the win32 thread model lacks).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTO_MINGW}-windres)

# Headers and libraries only from the mingw sysroot; programs from the host.
# Packages anywhere, so that CMAKE_PREFIX_PATH finds the Qt kit where it lies.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KESTO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
