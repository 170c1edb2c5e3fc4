# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# so that std::thread and std::mutex work):
#   cmake -S . -B build-windows -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTARVIO_QT_WINDOWS_DIR=<qt-win>
# TARVIO_QT_WINDOWS_DIR is Qt built for Windows (unpacked qt-win/); moc, rcc
# and uic come from the host's Qt of the same version (QT_HOST_PATH).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVIO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVIO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVIO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVIO_MINGW_TRIPLET}-windres)

set(TARVIO_QT_WINDOWS_DIR "" CACHE PATH "Qt built for Windows (the folder holding bin/, lib/, plugins/)")
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, for moc, rcc and uic")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "The host Qt's CMake packages")

# Libraries and packages come from the mingw sysroot and the Windows Qt only;
# programs (the host's tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TARVIO_MINGW_TRIPLET} ${TARVIO_QT_WINDOWS_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
