# What the Windows build adds: the icon and version resource of the program,
# the mingw runtime it needs beside it, and, when cross-compiled, running the
# tests through wine.

enable_language(RC)

# The icon, rendered on the build host from the program's SVG (the Windows Qt
# has no Svg module): PNGs of every size Explorer and the title bar ask for,
# and an .ico of them for the executable's resource. Made when the build is
# configured, and again whenever the SVG changes.
set(TARVIO_ICON_SVG ${PROJECT_SOURCE_DIR}/src/base/resources/tarvio.svg)
set(TARVIO_ICON_DIR ${CMAKE_BINARY_DIR}/icon)
set(TARVIO_ICON_SIZES 16 20 24 32 40 48 64 128 256)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARVIO_ICON_SVG})
find_program(TARVIO_RSVG_CONVERT rsvg-convert DOC "librsvg's rsvg-convert (Debian: librsvg2-bin)")
find_program(TARVIO_ICOTOOL icotool DOC "icotool (Debian: icoutils)")
if(NOT TARVIO_RSVG_CONVERT OR NOT TARVIO_ICOTOOL)
    message(FATAL_ERROR "The Windows icon needs rsvg-convert and icotool. "
                        "On Debian: apt-get install librsvg2-bin icoutils")
endif()
file(MAKE_DIRECTORY ${TARVIO_ICON_DIR})
set(TARVIO_ICON_PNGS)
set(_ico_small)
foreach(size IN LISTS TARVIO_ICON_SIZES)
    set(png ${TARVIO_ICON_DIR}/tarvio-${size}.png)
    execute_process(
        COMMAND ${TARVIO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${TARVIO_ICON_SVG}
        RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "rsvg-convert could not render ${TARVIO_ICON_SVG} at ${size}")
    endif()
    list(APPEND TARVIO_ICON_PNGS ${png})
    if(size LESS 256)
        list(APPEND _ico_small ${png})
    endif()
endforeach()
# The large size stays PNG inside the .ico, as Windows reads it since Vista;
# the small ones become bitmaps, which every Windows reads.
set(TARVIO_ICO ${TARVIO_ICON_DIR}/tarvio.ico)
execute_process(
    COMMAND ${TARVIO_ICOTOOL} -c -o ${TARVIO_ICO} ${_ico_small} --raw=${TARVIO_ICON_DIR}/tarvio-256.png
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "icotool could not make ${TARVIO_ICO}")
endif()

# The mingw runtime DLLs that every executable of the build needs beside it
# (or on its path).
set(TARVIO_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path "${path}" REALPATH)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    list(APPEND TARVIO_MINGW_RUNTIME ${path})
endforeach()

# Gives a Windows program its face: the icon for Explorer and the version
# resource, and no console window.
#   tarvio_windows_program(target DESCRIPTION text)
function(tarvio_windows_program target)
    cmake_parse_arguments(P "" "DESCRIPTION" "" ${ARGN})
    set(TARVIO_RC_DESCRIPTION "${P_DESCRIPTION}")
    set(TARVIO_RC_NAME "${target}")
    set(TARVIO_RC_FILENAME "${target}.exe")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${TARVIO_ICO})
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
endfunction()

if(NOT CMAKE_CROSSCOMPILING)
    return()
endif()

# ctest runs every test through wine, in a wine prefix of this build's own.
# Wine gives a program none of the QT_ variables (a test's offscreen platform
# among them) but passes WINEQT_ ones on as QT_, and it looks for DLLs along
# WINEPATH: cmake/wine-run.in does both.
set(TARVIO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "The wine prefix the tests run in")
function(tarvio_wine_path out unix)
    string(REPLACE "/" "\\" windows "Z:${unix}")
    set(${out} "${windows}" PARENT_SCOPE)
endfunction()
get_target_property(_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT _qt_core_dll)
    get_target_property(_qt_core_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(TARVIO_QT_BIN_DIR "${_qt_core_dll}" DIRECTORY)
set(_wine_path)
foreach(dir IN ITEMS ${TARVIO_QT_BIN_DIR} ${TARVIO_MINGW_RUNTIME})
    if(NOT IS_DIRECTORY "${dir}")
        get_filename_component(dir "${dir}" DIRECTORY)
    endif()
    tarvio_wine_path(dir "${dir}")
    list(APPEND _wine_path "${dir}")
endforeach()
list(REMOVE_DUPLICATES _wine_path)
set(TARVIO_WINEPATH "${_wine_path}")
# Qt's offscreen platform, which the tests use, draws with the fonts of one
# folder: the Chinese font's, whose Latin letters serve as well.
find_file(TARVIO_TEST_FONT wqy-microhei.ttc PATHS /usr/share/fonts/truetype/wqy
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
    DOC "A Chinese font for the tests under wine (Debian: fonts-wqy-microhei)")
if(NOT TARVIO_TEST_FONT)
    message(FATAL_ERROR "wqy-microhei.ttc not found. On Debian: apt-get install fonts-wqy-microhei")
endif()
get_filename_component(_font_dir "${TARVIO_TEST_FONT}" DIRECTORY)
set(TARVIO_WINE_FONTDIR "Z:${_font_dir}")
# Where the C library finds the locales the tests name in LC_ALL, made by
# scripts/build-windows (wine reads file names through them). Empty: the
# system's own.
set(TARVIO_WINE_LOCPATH "" CACHE PATH "LOCPATH for the tests under wine")
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
