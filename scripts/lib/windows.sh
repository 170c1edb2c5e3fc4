# The Windows build's pieces, shared by scripts/build-windows and
# scripts/screenshot-windows: Qt, libxlsxwriter, freexl and minizip for Windows, the wine
# prefix, the host's source packages.
# shellcheck shell=bash

WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-$TOP/build-windows}
TARVIO_CACHE=${TARVIO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarvio}
# The Qt that scripts/build-windows makes from Debian's source, and the one
# archive of it that it accepts ready-made (TARVIO_QT_WINDOWS).
QT_WINDOWS_VERSION=6.4.2
QT_WINDOWS_SHA256=c5a20b0185f0536fad8d6a8eb939acacda5996570ed110ec8cd31ecbbd39abd3

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get source needs deb-src entries; adds them for the mirrors that apt
# already uses for binaries, when none is there.
ensure_deb_src() {
    local dir=/etc/apt/sources.list.d
    if grep -qs '^deb-src\|^Types:.*deb-src' /etc/apt/sources.list "$dir"/*.list "$dir"/*.sources; then
        return 0
    fi
    echo "Adding deb-src entries for the configured Debian mirrors"
    local file
    {
        for file in "$dir"/*.sources; do
            [ -f "$file" ] || continue
            # Each stanza as it is, with Types: deb made deb-src.
            awk 'BEGIN { RS = ""; ORS = "\n\n" }
                 /(^|\n)Types:[ \t]*deb([ \t]|\n|$)/ && !/(^|\n)Enabled:[ \t]*no/ {
                     sub(/Types:[ \t]*deb/, "Types: deb-src"); print }' "$file"
        done
    } >"$TARVIO_CACHE/deb-src.sources.new"
    {
        for file in /etc/apt/sources.list "$dir"/*.list; do
            [ -f "$file" ] || continue
            sed -n 's/^deb\([ \t]\)/deb-src\1/p' "$file"
        done
    } >"$TARVIO_CACHE/deb-src.list.new"
    [ -s "$TARVIO_CACHE/deb-src.sources.new" ] &&
        as_root cp "$TARVIO_CACHE/deb-src.sources.new" "$dir/tarvio-deb-src.sources"
    [ -s "$TARVIO_CACHE/deb-src.list.new" ] &&
        as_root cp "$TARVIO_CACHE/deb-src.list.new" "$dir/tarvio-deb-src.list"
    rm -f "$TARVIO_CACHE/deb-src.sources.new" "$TARVIO_CACHE/deb-src.list.new"
    as_root apt-get update -qq
}

# The Chinese font that the wine prefix and Qt's offscreen platform draw with.
WINE_CHINESE_FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
WINE_CHINESE_FAMILY="WenQuanYi Micro Hei"

# Makes the wine prefix $1 once: Windows' folders and registry, no Mono or
# Gecko (nothing here needs them, and their installers would ask), and a
# Chinese font that stands in for the fonts a Chinese Windows has, so that
# Chinese text is drawn as on such a Windows.
prepare_wine_prefix() {
    local prefix=$1
    [ -f "$prefix/.tarvio-ready" ] && return 0
    echo "Making the wine prefix $prefix"
    mkdir -p "$prefix"
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    cp "$WINE_CHINESE_FONT" "$prefix/drive_c/windows/Fonts/"
    local reg=$prefix/tarvio-fonts.reg family
    {
        printf 'REGEDIT4\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n'
        printf '"%s (TrueType)"="%s"\r\n\r\n' "$WINE_CHINESE_FAMILY" "$(basename "$WINE_CHINESE_FONT")"
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for family in "SimSun" "NSimSun" "Microsoft YaHei" "Microsoft YaHei UI" "SimHei"; do
            printf '"%s"="%s"\r\n' "$family" "$WINE_CHINESE_FAMILY"
        done
    } >"$reg"
    WINEPREFIX=$prefix WINEDEBUG=-all wine regedit "$reg" >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    touch "$prefix/.tarvio-ready"
}

# Sets the prefix's screen to $2 dots per inch (96 is 100 %, 144 is 150 %).
set_wine_dpi() {
    local prefix=$1 dpi=$2 reg
    reg=$prefix/tarvio-dpi.reg
    {
        printf 'REGEDIT4\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
        printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]\r\n'
        printf '"LogPixels"=dword:%08x\r\n' "$dpi"
    } >"$reg"
    WINEPREFIX=$prefix WINEDEBUG=-all wine regedit "$reg" >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
}

# Sets QT_WINDOWS_DIR to Qt for Windows: the archive named by
# TARVIO_QT_WINDOWS, unpacked once into the cache, or else the same Qt built
# from Debian's source into the cache (about 15 minutes on two cores), which
# later runs reuse.
find_qt_for_windows() {
    mkdir -p "$TARVIO_CACHE"
    if [ -n "${TARVIO_QT_WINDOWS:-}" ]; then
        unpack_qt_archive "$TARVIO_QT_WINDOWS"
    else
        build_qt_from_source
    fi
    if [ ! -f "$QT_WINDOWS_DIR/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        echo "No Qt for Windows in $QT_WINDOWS_DIR" >&2
        return 1
    fi
}

unpack_qt_archive() {
    local archive=$1 sum place
    if [ ! -f "$archive" ]; then
        echo "TARVIO_QT_WINDOWS names $archive, which does not exist" >&2
        return 1
    fi
    sum=$(sha256sum "$archive" | cut -d' ' -f1)
    if [ "$sum" != "$QT_WINDOWS_SHA256" ]; then
        echo "Refusing $archive: its sha256 is $sum, not $QT_WINDOWS_SHA256" >&2
        return 1
    fi
    place=$TARVIO_CACHE/qt-$QT_WINDOWS_VERSION-mingw-w64-${sum:0:12}
    QT_WINDOWS_DIR=$place/qt-win
    [ -f "$place/.unpacked" ] && return 0
    echo "Unpacking $archive into $place"
    rm -rf "$place"
    mkdir -p "$place"
    tar -xJf "$archive" -C "$place"
    touch "$place/.unpacked"
}

# The configure line of the Qt that the archive holds: qtbase alone, with
# what tarvio does not use left out. Some pairs must go together: no OpenGL,
# no dynamic GL; no Direct2D, no DirectWrite 3; no SSL, no Schannel; and
# Debian's source lacks the Windows tablet files, so no tablet events. The
# bundled FreeType gives the offscreen platform, which the tests use, its fonts.
QT_WINDOWS_CONFIGURE=(
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_ssl=OFF
    -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_direct2d=OFF
    -DFEATURE_directwrite3=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_jpeg=OFF
    -DFEATURE_gif=OFF -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON -DFEATURE_network=ON
    -DFEATURE_pkg_config=OFF -DFEATURE_brotli=OFF -DFEATURE_zstd=OFF
)

logged_step() { # logged_step <what is built> <log> <command...>
    local what=$1 log=$2
    shift 2
    if ! "$@" >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "Building $what for Windows failed; the whole log is $log" >&2
        return 1
    fi
}

qt_step() { logged_step Qt "$@"; }

build_qt_from_source() {
    local place=$TARVIO_CACHE/qt-$QT_WINDOWS_VERSION-mingw-w64-source
    QT_WINDOWS_DIR=$place/qt-win
    [ -f "$place/.built" ] && return 0
    # moc, rcc and uic come from the host's Qt, which must be the same
    # version: take the source of the very package installed.
    local version
    version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
    case $version in
        "$QT_WINDOWS_VERSION"*) ;;
        *) echo "The host's Qt is $version, not $QT_WINDOWS_VERSION" >&2; return 1 ;;
    esac
    echo "Building Qt $version for Windows from Debian's source into $place (about 15 minutes)"
    ensure_deb_src
    rm -rf "$place"
    mkdir -p "$place/source"
    (cd "$place/source" && apt-get source -qq "qt6-base=$version" >/dev/null)
    local source
    source=$(find "$place/source" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
    # Each step logs to a file of its own, shown in part when it fails.
    qt_step "$place/configure.log" nice cmake -S "$source" -B "$place/build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$QT_WINDOWS_DIR" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${QT_WINDOWS_CONFIGURE[@]}"
    qt_step "$place/build.log" nice cmake --build "$place/build" --parallel "$(nproc)"
    qt_step "$place/install.log" cmake --install "$place/build"
    rm -rf "$place/build" "$place/source"
    touch "$place/.built"
}

# Sets XLSXWRITER_WINDOWS_DIR to libxlsxwriter for Windows: Debian's source
# of the very version the host has as libxlsxwriter-dev, cross-built once
# into the cache (a minute) as a static library, with its bundled minizip
# and tmpfileplus and mingw's static zlib (libz-mingw-w64-dev), so that the
# program needs no DLL of theirs. Later runs reuse it.
find_xlsxwriter_for_windows() {
    local version place source
    version=$(dpkg-query -W -f='${source:Version}' libxlsxwriter-dev)
    place=$TARVIO_CACHE/libxlsxwriter-$version-mingw-w64
    XLSXWRITER_WINDOWS_DIR=$place/xlsxwriter-win
    [ -f "$place/.built" ] && return 0
    echo "Building libxlsxwriter $version for Windows from Debian's source into $place"
    ensure_deb_src
    rm -rf "$place"
    mkdir -p "$place/source"
    (cd "$place/source" && apt-get source -qq "libxlsxwriter=$version" >/dev/null)
    source=$(find "$place/source" -mindepth 1 -maxdepth 1 -type d -name 'libxlsxwriter-*' | head -n 1)
    logged_step libxlsxwriter "$place/configure.log" cmake -S "$source" -B "$place/build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$XLSXWRITER_WINDOWS_DIR" -DBUILD_SHARED_LIBS=OFF \
        -DUSE_SYSTEM_MINIZIP=OFF -DUSE_STANDARD_TMPFILE=OFF \
        -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
        -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
    logged_step libxlsxwriter "$place/build.log" nice cmake --build "$place/build" --parallel "$(nproc)"
    logged_step libxlsxwriter "$place/install.log" cmake --install "$place/build"
    # The licence texts go with the library: libxlsxwriter's own (with its
    # bundled parts') and Debian's summary of them.
    mkdir -p "$XLSXWRITER_WINDOWS_DIR/share/doc"
    cp "$source/License.txt" "$source/debian/copyright" "$XLSXWRITER_WINDOWS_DIR/share/doc/"
    rm -rf "$place/build" "$place/source"
    touch "$place/.built"
}

# Unpacks Debian's source of package $1 at the version that the host's
# package $2 has into $3/source and prints the folder it made.
debian_source() {
    local package=$1 installed=$2 place=$3 version
    version=$(dpkg-query -W -f='${source:Version}' "$installed")
    ensure_deb_src
    mkdir -p "$place/source"
    (cd "$place/source" && apt-get source -qq "$package=$version" >/dev/null)
    find "$place/source" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1
}

# Sets MINIZIP_WINDOWS_DIR to minizip for Windows: Debian's source of the
# version the host has as libminizip-dev (Debian's patches applied),
# compiled once into the cache as a static library with mingw's zlib, from
# the files that Debian's own build compiles for a Windows host.
find_minizip_for_windows() {
    local version place source file
    version=$(dpkg-query -W -f='${source:Version}' libminizip-dev)
    place=$TARVIO_CACHE/minizip-$version-mingw-w64
    MINIZIP_WINDOWS_DIR=$place/minizip-win
    [ -f "$place/.built" ] && return 0
    echo "Building minizip $version for Windows from Debian's source into $place"
    rm -rf "$place"
    source=$(debian_source minizip libminizip-dev "$place")
    mkdir -p "$place/build" "$MINIZIP_WINDOWS_DIR/include/minizip" "$MINIZIP_WINDOWS_DIR/lib" \
        "$MINIZIP_WINDOWS_DIR/share/doc"
    for file in ioapi unzip zip mztools iowin32; do
        logged_step minizip "$place/build.log" x86_64-w64-mingw32-gcc-posix -O2 \
            -I/usr/x86_64-w64-mingw32/include -c "$source/$file.c" -o "$place/build/$file.o"
    done
    logged_step minizip "$place/build.log" x86_64-w64-mingw32-ar rcs \
        "$MINIZIP_WINDOWS_DIR/lib/libminizip.a" "$place"/build/*.o
    cp "$source"/{crypt,ioapi,mztools,unzip,zip,iowin32}.h "$MINIZIP_WINDOWS_DIR/include/minizip/"
    cp "$source/debian/copyright" "$MINIZIP_WINDOWS_DIR/share/doc/"
    rm -rf "$place/build" "$place/source"
    touch "$place/.built"
}

# Sets FREEXL_WINDOWS_DIR to freexl for Windows: Debian's source of the
# version the host has as libfreexl-dev, cross-built once into the cache as
# a static library. Where freexl wants iconv, it gets ours
# (packaging/windows/iconv: a layer over Windows' own code-page conversion),
# built into the same folder first; its sources name the cache folder, so a
# change to them builds both anew.
find_freexl_for_windows() {
    local version place source layer sum
    version=$(dpkg-query -W -f='${source:Version}' libfreexl-dev)
    layer=$TOP/packaging/windows/iconv
    sum=$(cat "$layer"/iconv.c "$layer"/iconv.h "$layer"/localcharset.h | sha256sum | cut -c1-12)
    place=$TARVIO_CACHE/freexl-$version-iconv-$sum-mingw-w64
    FREEXL_WINDOWS_DIR=$place/freexl-win
    [ -f "$place/.built" ] && return 0
    echo "Building freexl $version for Windows from Debian's source into $place"
    rm -rf "$place"
    mkdir -p "$place/build" "$FREEXL_WINDOWS_DIR/include" "$FREEXL_WINDOWS_DIR/lib" \
        "$FREEXL_WINDOWS_DIR/share/doc"
    logged_step iconv "$place/iconv.log" x86_64-w64-mingw32-gcc-posix -O2 -Wall -Wextra -Werror \
        -c "$layer/iconv.c" -o "$place/build/iconv.o"
    logged_step iconv "$place/iconv.log" x86_64-w64-mingw32-ar rcs \
        "$FREEXL_WINDOWS_DIR/lib/libiconv.a" "$place/build/iconv.o"
    cp "$layer/iconv.h" "$layer/localcharset.h" "$FREEXL_WINDOWS_DIR/include/"
    source=$(debian_source freexl libfreexl-dev "$place")
    logged_step freexl "$place/configure.log" env -C "$source" ./configure \
        --host=x86_64-w64-mingw32 --prefix="$FREEXL_WINDOWS_DIR" --disable-shared --enable-static \
        CC=x86_64-w64-mingw32-gcc-posix CFLAGS=-O2 \
        CPPFLAGS="-I$FREEXL_WINDOWS_DIR/include" LDFLAGS="-L$FREEXL_WINDOWS_DIR/lib"
    logged_step freexl "$place/build.log" nice make -C "$source/src" -j "$(nproc)"
    logged_step freexl "$place/install.log" make -C "$source/src" install
    logged_step freexl "$place/install.log" make -C "$source/headers" install
    cp "$source/debian/copyright" "$FREEXL_WINDOWS_DIR/share/doc/"
    rm -rf "$place/build" "$place/source"
    touch "$place/.built"
}

# The DLLs (by file name) that the Windows programs $@ import, and the DLLs
# those import, found in Qt's bin/ and the mingw runtime; Windows' own are
# left out.
imported_dlls() {
    local -A seen=()
    local queue=("$@") file dll found dir
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        while read -r dll; do
            [ -n "${seen[$dll]:-}" ] && continue
            seen[$dll]=1
            found=
            for dir in "$QT_WINDOWS_DIR/bin" "${MINGW_RUNTIME_DIRS[@]}"; do
                if [ -f "$dir/$dll" ]; then
                    found=$dir/$dll
                    break
                fi
            done
            if [ -n "$found" ]; then
                echo "$found"
                queue+=("$found")
            fi
        done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
    done
}

# Copies text file $1 to $2 as every Notepad opens it, whatever the
# system's code page: UTF-8 with a byte-order mark, CR LF line ends.
notepad_text() {
    { printf '\xEF\xBB\xBF'; sed -e 's/\r$//' -e 's/$/\r/' "$1"; } >"$2"
}

# The text of licence $1 as a stand-alone paragraph of Debian's
# machine-readable copyright file $2 gives it: the paragraph that begins with
# "License: $1", its lines without their leading blank, "." an empty line.
debian_licence_text() {
    awk -v name="$1" '
        !found && previous == "" && $0 == "License: " name { found = 1; next }
        found && !/^[ \t]/ { exit }
        found { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }
        { previous = $0 }' "$2"
}

# Lays into folder $1 the licence texts that the zip and the installer carry,
# each named in THIRD-PARTY.md: tarvio's own licence, THIRD-PARTY.md itself,
# and, under licenses/, the full texts that the licences of the components
# shipped require, taken from the Debian packages the build uses.
stage_licence_texts() {
    local stage=$1 doc=/usr/share/doc boost
    notepad_text "$TOP/LICENSE" "$stage/LICENSE.txt"
    notepad_text "$TOP/THIRD-PARTY.md" "$stage/THIRD-PARTY.txt"
    mkdir -p "$stage/licenses"
    # Qt's LGPL-3.0, which adds its permissions to the GPL-3.0 of LICENSE.txt,
    # and Debian's account of every file of the qtbase the DLLs are built from,
    # with the licences of the code Qt carries.
    notepad_text /usr/share/common-licenses/LGPL-3 "$stage/licenses/LGPL-3.0.txt"
    notepad_text "$doc/libqt6core6/copyright" "$stage/licenses/qtbase-copyright.txt"
    # libphonenumber's data, in the service's built-in table.
    notepad_text /usr/share/common-licenses/Apache-2.0 "$stage/licenses/Apache-2.0.txt"
    # Asio and Beast, compiled into both programs.
    boost=$(dpkg-query -W -f='${Depends}' libboost-dev | grep -o 'libboost1\.[0-9]*-dev' | head -n 1)
    debian_licence_text BSL-1.0 "$doc/$boost/copyright" >"$WINDOWS_BUILD_DIR/BSL-1.0.txt"
    [ -s "$WINDOWS_BUILD_DIR/BSL-1.0.txt" ] || { echo "No BSL-1.0 text in $boost's copyright" >&2; return 1; }
    notepad_text "$WINDOWS_BUILD_DIR/BSL-1.0.txt" "$stage/licenses/BSL-1.0.txt"
    # The mingw runtime: GCC's libraries with the GCC Runtime Library
    # Exception; winpthreads and the start-up code of mingw-w64.
    notepad_text "$doc/gcc-mingw-w64-x86-64-posix-runtime/copyright" \
        "$stage/licenses/gcc-runtime-copyright.txt"
    notepad_text "$doc/mingw-w64-x86-64-dev/copyright" "$stage/licenses/mingw-w64-copyright.txt"
    # libxlsxwriter and what it carries, linked into tarvio.exe; zlib, which
    # it zips with.
    notepad_text "$XLSXWRITER_WINDOWS_DIR/share/doc/copyright" \
        "$stage/licenses/libxlsxwriter-copyright.txt"
    notepad_text /usr/share/common-licenses/MPL-2.0 "$stage/licenses/MPL-2.0.txt"
    notepad_text "$doc/libz-mingw-w64-dev/copyright" "$stage/licenses/zlib-copyright.txt"
    # The readers of imported workbooks, linked into tarvio.exe: freexl
    # (.xls; its copyright file holds the MPL-1.1, and names the GPL-2+ and
    # LGPL-2.1+ it may also be taken under) and minizip (.xlsx's zip, zlib
    # licence).
    notepad_text "$FREEXL_WINDOWS_DIR/share/doc/copyright" "$stage/licenses/freexl-copyright.txt"
    notepad_text /usr/share/common-licenses/GPL-2 "$stage/licenses/GPL-2.0.txt"
    notepad_text /usr/share/common-licenses/LGPL-2.1 "$stage/licenses/LGPL-2.1.txt"
    notepad_text "$MINIZIP_WINDOWS_DIR/share/doc/copyright" "$stage/licenses/minizip-copyright.txt"
    # The installer's and the uninstaller's own code.
    notepad_text "$doc/nsis/copyright" "$stage/licenses/nsis-copyright.txt"
}

# Lays out the portable folder and packs it twice: a zip, and an installer,
# whose places it leaves in WINDOWS_ZIP and WINDOWS_SETUP; the folder they
# were made from stays in WINDOWS_STAGE.
package_windows() {
    local version name stage dist bin
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WINDOWS_BUILD_DIR/CMakeCache.txt")
    name=tarvio-$version-win64
    bin=$WINDOWS_BUILD_DIR/bin
    stage=$WINDOWS_BUILD_DIR/package/$name
    dist=$TOP/dist
    echo "Packaging $name"
    rm -rf "$WINDOWS_BUILD_DIR/package"
    mkdir -p "$stage" "$dist"
    MINGW_RUNTIME_DIRS=()
    local dll
    for dll in libstdc++-6.dll libwinpthread-1.dll; do
        MINGW_RUNTIME_DIRS+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
    done
    cp "$bin/tarvio.exe" "$bin/xls-reader.exe" "$bin/segment-service.exe" "$stage/"
    cp -r "$bin/skin" "$stage/skin"
    cp "$bin/builtin-segments.dat" "$stage/"
    # Qt's plugins: the Windows platform, the native look, .ico files.
    local plugin
    for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll; do
        mkdir -p "$stage/$(dirname "$plugin")"
        cp "$QT_WINDOWS_DIR/plugins/$plugin" "$stage/$plugin"
    done
    imported_dlls "$stage"/*.exe "$stage"/*/*.dll | sort -u | xargs -r cp -t "$stage"
    # Debugging symbols are of no use to a user and would triple the size.
    x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll
    # The notes for the user, in Chinese.
    sed -e "s/@VERSION@/$version/g" "$TOP/packaging/windows/使用说明.txt" >"$WINDOWS_BUILD_DIR/使用说明.txt"
    notepad_text "$WINDOWS_BUILD_DIR/使用说明.txt" "$stage/使用说明.txt"
    stage_licence_texts "$stage"

    rm -f "$dist/$name.zip" "$dist/$name-setup.exe"
    # Python's zipfile marks the Chinese file names as UTF-8 (general purpose
    # flag 11), which Explorer and 7-Zip read; Info-ZIP's zip does not.
    python3 - "$WINDOWS_BUILD_DIR/package" "$name" "$dist/$name.zip" <<'PY'
import os, sys, zipfile
top, name, out = sys.argv[1:]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for folder, dirs, files in os.walk(os.path.join(top, name)):
        dirs.sort()
        for file in sorted(files):
            path = os.path.join(folder, file)
            archive.write(path, os.path.relpath(path, top))
PY
    makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
        -DICON="$WINDOWS_BUILD_DIR/icon/tarvio.ico" -DOUTFILE="$dist/$name-setup.exe" \
        "$TOP/packaging/windows/tarvio.nsi"
    WINDOWS_ZIP=$dist/$name.zip
    WINDOWS_SETUP=$dist/$name-setup.exe
    WINDOWS_STAGE=$stage
    ls -l "$WINDOWS_ZIP" "$WINDOWS_SETUP"
}

# Installs the installer $1 silently into the wine prefix, as a user without
# administrator rights would, checks what it leaves (the licence texts as in
# WINDOWS_STAGE among it), and uninstalls it again.
check_installer() {
    local setup=$1 key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\tarvio'
    local home dir menu
    home=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
    dir=$home/AppData/Local/Programs/tarvio
    menu="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/塔维手机归属地批量查询.lnk"
    wine "$setup" /S
    local missing=()
    [ -f "$dir/tarvio.exe" ] || missing+=("$dir/tarvio.exe")
    [ -f "$dir/platforms/qwindows.dll" ] || missing+=("$dir/platforms/qwindows.dll")
    [ -f "$menu" ] || missing+=("the Start-menu shortcut")
    # Every licence text of the package, as it was laid out.
    local text
    while read -r text; do
        cmp -s "$WINDOWS_STAGE/$text" "$dir/$text" || missing+=("$dir/$text")
    done < <(cd "$WINDOWS_STAGE" && find LICENSE.txt THIRD-PARTY.txt licenses -type f)
    wine reg query "$key" /v UninstallString >/dev/null 2>&1 || missing+=("the Add/Remove Programs entry")
    if [ ${#missing[@]} -gt 0 ]; then
        printf 'The installer left out: %s\n' "${missing[@]}" >&2
        return 1
    fi
    # The uninstaller copies itself away and returns at once; wait for it.
    wine "$dir/uninstall.exe" /S
    local i
    for i in $(seq 60); do
        [ -e "$dir" ] || break
        sleep 0.5
    done
    if [ -e "$dir" ] || [ -e "$menu" ] || wine reg query "$key" >/dev/null 2>&1; then
        echo "The uninstaller left $dir, the shortcut or the registry entry behind" >&2
        return 1
    fi
    echo "Installer checked: installs per user into $dir with its licence texts, uninstalls cleanly"
}

# Wine takes its Windows locale, and so the ANSI code page, from LC_ALL, and
# reads file names through the C library's locale of that name: without it,
# wine falls back to ASCII and cannot make a file with a Chinese name. Makes
# the Chinese and the English locales in the cache, touching no system
# setting, and prints the LOCPATH under which LC_ALL=zh_CN.UTF-8 makes wine a
# Chinese Windows (code page 936) and LC_ALL=en_US.UTF-8 an English one (code
# page 1252). C.UTF-8 is copied in too, since LOCPATH hides the system's.
wine_locale_path() {
    local dir=$TARVIO_CACHE/locale name
    mkdir -p "$dir"
    for name in zh_CN en_US; do
        if [ ! -d "$dir/$name.UTF-8" ]; then
            localedef -i "$name" -f UTF-8 "$dir/$name.UTF-8.part"
            mv "$dir/$name.UTF-8.part" "$dir/$name.UTF-8"
        fi
    done
    if [ ! -d "$dir/C.utf8" ]; then
        cp -r /usr/lib/locale/C.utf8 "$dir/C.utf8.part"
        mv "$dir/C.utf8.part" "$dir/C.utf8"
    fi
    echo "$dir"
}

# Starts the prefix's wine server for many programs in a row, and wine's own
# services with it. They live as long as the server, so they are started here
# with no output of their own: started by the first test, they would hold
# that test's output pipe open, and ctest would wait on it until its time-out.
start_wine_server() {
    # A server already running for this prefix (left by an earlier run) is
    # simply used.
    wineserver -p 2>/dev/null || true
    wine wineboot </dev/null >/dev/null 2>&1
}

stop_wine_server() {
    wineserver -k 2>/dev/null || true
}

# Starts Xvfb on a display nothing else uses and exports DISPLAY.
start_x_server() {
    local n
    for n in $(seq 100 199); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        TARVIO_XVFB_PID=$!
        sleep 1
        if kill -0 "$TARVIO_XVFB_PID" 2>/dev/null; then
            export DISPLAY=":$n"
            return 0
        fi
    done
    echo "No display for Xvfb" >&2
    return 1
}

stop_x_server() {
    [ -n "${TARVIO_XVFB_PID:-}" ] && kill "$TARVIO_XVFB_PID" 2>/dev/null || true
    TARVIO_XVFB_PID=
}
