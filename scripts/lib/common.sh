# Shared by the scripts: where things are, and installing what is missing.
# shellcheck shell=bash
set -euo pipefail

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$TOP/build}

# What building and testing need, as Debian packages.
BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6 libgl-dev
    qt6-translations-l10n
    fonts-wqy-microhei
    libboost-dev
    # The segment service's built-in data are written at build time from
    # the segment table in data/ (xz-compressed) and libphonenumber's
    # geocoder (the service itself links neither).
    libphonenumber-dev xz-utils
    # The export's Excel workbooks; a test reads them back with openpyxl.
    libxlsxwriter-dev python3-openpyxl
    # The workbooks a user imports: .xls (freexl) and the zip of an .xlsx
    # (minizip). The tests' workbooks are written at build time by openpyxl
    # (.xlsx) and xlwt (.xls).
    libfreexl-dev libminizip-dev python3-xlwt
)

# What the test over the accessibility bus needs (tst_accessibilitybus):
# an X server, a session bus, at-spi2-core's accessibility bus and its
# registry, and libatspi for Python as the screen reader that reads the window.
ACCESSIBILITY_TEST_PACKAGES=(xvfb xauth dbus-daemon at-spi2-core python3-pyatspi)

# What scripts/orca-check needs beside those: Debian's screen reader Orca,
# run beside the program, a window manager that gives the window the focus,
# and xdotool, which presses keys through the X server as a user does.
ORCA_CHECK_PACKAGES=(orca openbox xdotool)

# What the benchmarks need beyond building: ab, nginx as the bare
# baseline of the segment service's throughput (the benchmark starts its own
# nginx on a free loopback port; a system nginx is neither needed nor used),
# openbox, the window manager the window benchmarks run under on Xvfb, and
# xlrd, bench_import's bare reader of .xls beside openpyxl's of .xlsx.
BENCH_PACKAGES=(apache2-utils nginx-light openbox python3-xlrd)

# What scripts/build-windows needs beside those: the mingw-w64 compilers, wine
# and a display for it, the icon's tools, the packagers, the source
# packages' tools for building Qt and libxlsxwriter for Windows from Debian's
# source, and mingw's zlib for libxlsxwriter.
WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    libz-mingw-w64-dev
    wine wine64 xvfb xauth openbox
    librsvg2-bin icoutils
    nsis python3 unzip
    dpkg-dev xz-utils locales
)

# Installs those of the given packages that are not installed yet.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures once and builds what is out of date. TARVIO_WERROR=ON in the
# environment turns every compiler warning into an error (CI sets it).
build_tarvio() {
    local settings=("$@")
    [ -n "${TARVIO_WERROR:-}" ] && settings+=("-DTARVIO_WERROR=$TARVIO_WERROR")
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        cmake -S "$TOP" -B "$BUILD_DIR" -G Ninja "${settings[@]}"
    elif [ ${#settings[@]} -gt 0 ]; then
        cmake "$BUILD_DIR" "${settings[@]}"
    fi
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}
