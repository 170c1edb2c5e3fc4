# libxlsxwriter, which writes the export's Excel workbooks: Debian's
# libxlsxwriter-dev on Linux. For Windows, scripts/build-windows cross-builds
# Debian's source of it as a static library with mingw's zlib (Debian's
# libz-mingw-w64-dev) and names the folder it installed to in
# TARVIO_XLSXWRITER_WINDOWS_DIR; both are linked statically, so the program
# ships no DLL of theirs.
#   tarvio_xlsxwriter: the library to link.
if(WIN32)
    set(TARVIO_XLSXWRITER_WINDOWS_DIR "" CACHE PATH
        "libxlsxwriter built for Windows (the folder holding include/ and lib/)")
    list(APPEND CMAKE_FIND_ROOT_PATH ${TARVIO_XLSXWRITER_WINDOWS_DIR})
    find_path(TARVIO_XLSXWRITER_INCLUDE xlsxwriter.h)
    find_library(TARVIO_XLSXWRITER_LIBRARY NAMES libxlsxwriter.a)
    find_library(TARVIO_ZLIB_LIBRARY NAMES libz.a DOC "mingw's zlib (Debian: libz-mingw-w64-dev)")
    set(_xlsxwriter_hint "scripts/build-windows builds it and sets TARVIO_XLSXWRITER_WINDOWS_DIR")
else()
    find_path(TARVIO_XLSXWRITER_INCLUDE xlsxwriter.h)
    find_library(TARVIO_XLSXWRITER_LIBRARY NAMES xlsxwriter)
    set(TARVIO_ZLIB_LIBRARY "")
    set(_xlsxwriter_hint "On Debian: apt-get install libxlsxwriter-dev")
endif()
if(NOT TARVIO_XLSXWRITER_INCLUDE OR NOT TARVIO_XLSXWRITER_LIBRARY OR (WIN32 AND NOT TARVIO_ZLIB_LIBRARY))
    message(FATAL_ERROR "libxlsxwriter not found. ${_xlsxwriter_hint}")
endif()
add_library(tarvio_xlsxwriter INTERFACE)
target_include_directories(tarvio_xlsxwriter SYSTEM INTERFACE ${TARVIO_XLSXWRITER_INCLUDE})
target_link_libraries(tarvio_xlsxwriter INTERFACE ${TARVIO_XLSXWRITER_LIBRARY} ${TARVIO_ZLIB_LIBRARY})
