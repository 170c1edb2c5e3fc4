# The libraries that read the workbooks a user imports: freexl (.xls) and
# minizip (the zip of an .xlsx). On Linux Debian's libfreexl-dev and
# libminizip-dev. For Windows, scripts/build-windows cross-builds both from
# Debian's source as static libraries (freexl with a small iconv of ours
# over Windows' own code-page conversion, minizip with mingw's zlib) and
# names the folders it installed them to; the program ships no DLL of theirs.
#   tarvio_freexl, tarvio_minizip: the libraries to link.
if(WIN32)
    set(TARVIO_FREEXL_WINDOWS_DIR "" CACHE PATH
        "freexl built for Windows (the folder holding include/ and lib/)")
    set(TARVIO_MINIZIP_WINDOWS_DIR "" CACHE PATH
        "minizip built for Windows (the folder holding include/ and lib/)")
    list(APPEND CMAKE_FIND_ROOT_PATH ${TARVIO_FREEXL_WINDOWS_DIR} ${TARVIO_MINIZIP_WINDOWS_DIR})
    find_path(TARVIO_FREEXL_INCLUDE freexl.h)
    find_library(TARVIO_FREEXL_LIBRARY NAMES libfreexl.a)
    find_library(TARVIO_ICONV_LIBRARY NAMES libiconv.a
        DOC "iconv over Windows' code pages, built with freexl by scripts/build-windows")
    find_path(TARVIO_MINIZIP_INCLUDE unzip.h PATH_SUFFIXES minizip)
    find_library(TARVIO_MINIZIP_LIBRARY NAMES libminizip.a)
    find_library(TARVIO_MINIZIP_ZLIB NAMES libz.a DOC "mingw's zlib (Debian: libz-mingw-w64-dev)")
    set(_readers_hint "scripts/build-windows builds them and sets TARVIO_FREEXL_WINDOWS_DIR and TARVIO_MINIZIP_WINDOWS_DIR")
    set(_readers_extra ${TARVIO_ICONV_LIBRARY})
    set(_minizip_extra ${TARVIO_MINIZIP_ZLIB})
else()
    find_path(TARVIO_FREEXL_INCLUDE freexl.h)
    find_library(TARVIO_FREEXL_LIBRARY NAMES freexl)
    find_path(TARVIO_MINIZIP_INCLUDE unzip.h PATH_SUFFIXES minizip)
    find_library(TARVIO_MINIZIP_LIBRARY NAMES minizip)
    set(_readers_hint "On Debian: apt-get install libfreexl-dev libminizip-dev")
    find_library(TARVIO_MINIZIP_ZLIB NAMES z DOC "zlib (Debian: zlib1g-dev)")
    set(TARVIO_ICONV_LIBRARY "")
    set(_readers_extra "")
    set(_minizip_extra ${TARVIO_MINIZIP_ZLIB})
endif()
if(NOT TARVIO_FREEXL_INCLUDE OR NOT TARVIO_FREEXL_LIBRARY OR NOT TARVIO_MINIZIP_INCLUDE
        OR NOT TARVIO_MINIZIP_LIBRARY OR NOT TARVIO_MINIZIP_ZLIB OR (WIN32 AND NOT TARVIO_ICONV_LIBRARY))
    message(FATAL_ERROR "freexl or minizip not found. ${_readers_hint}")
endif()
add_library(tarvio_freexl INTERFACE)
target_include_directories(tarvio_freexl SYSTEM INTERFACE ${TARVIO_FREEXL_INCLUDE})
target_link_libraries(tarvio_freexl INTERFACE ${TARVIO_FREEXL_LIBRARY} ${_readers_extra})
add_library(tarvio_minizip INTERFACE)
target_include_directories(tarvio_minizip SYSTEM INTERFACE ${TARVIO_MINIZIP_INCLUDE})
target_link_libraries(tarvio_minizip INTERFACE ${TARVIO_MINIZIP_LIBRARY} ${_minizip_extra})
