# The Windows build's pieces, shared by scripts/build-windows and
# scripts/screenshot-windows: Qt for Windows, the wine prefix, the host's
# source packages.
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
}
