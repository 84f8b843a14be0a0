# Shared set-up of scripts/run, scripts/test and scripts/bench: Debian packages and the build.
# Sourced, not run.

KTS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Everything the program, its tests and its benchmark need on a fresh Debian 12.
KTS_PACKAGES=(
    cmake g++ ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libqt6multimedia6 qt6-translations-l10n
    gstreamer1.0-plugins-base
    libsqlite3-dev sqlite3
    libzstd-dev zstd libssl-dev
    fonts-dejavu-core
    sox
    xvfb xauth xdotool x11-utils
    libx11-dev openbox
    mdbtools-dev libglib2.0-dev
    fonts-liberation2
    cups-daemon cups-client cups-filters poppler-utils
    libcups2-dev x11-xkb-utils
    clang-format clang libclang-rt-14-dev git
    ccache
    libzint-dev zbar-tools
    xdg-utils
    # The tests start a server of their own (tests/pg_private.sh); Debian's cluster is left alone.
    postgresql libpq-dev
)

kts_install_packages() {
    local missing=() p
    for p in "${KTS_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Eksik paketler / missing packages. Run:" >&2
        echo "sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# kts_build DIR BUILD_TYPE
# kts_build DIR BUILD_TYPE [CMAKE OPTIONS...] [-- BUILD OPTIONS...]
kts_build() {
    local dir=$1 type=$2 launcher=() configure=() build=()
    shift 2
    while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    build=("$@")
    # A compiler cache makes a rebuild from a fresh clone quick, wherever the clone lies: paths
    # inside the tree are hashed relative to it.
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        export CCACHE_BASEDIR="$KTS_ROOT" CCACHE_NOHASHDIR=1
    fi
    cmake -S "$KTS_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" "${configure[@]}" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)" "${build[@]}"
}
