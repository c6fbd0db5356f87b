#!/bin/sh
# Builds the third-party libraries for mingw-w64 once, into $DEPS (default .cache/deps).
#  - JsonCpp from Debian's source package (Debian ships no mingw build of it)
#  - GoogleTest/GoogleMock from /usr/src/googletest
#  - an include folder holding only a link to Boost's headers
# Each library is rebuilt only when its stamp file is missing.
set -eu

TOP=$(cd "$(dirname "$0")/.." && pwd)
DEPS=${DEPS:-$TOP/.cache/deps}
TOOLCHAIN=$TOP/cmake/mingw-w64-x86_64.cmake
JOBS=$(nproc 2>/dev/null || echo 2)
mkdir -p "$DEPS"

cmake_build() { # source-dir build-dir install-dir [cmake args...]
    src=$1; bld=$2; inst=$3; shift 3
    cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$inst" "$@" >"$bld.log" 2>&1 \
        || { cat "$bld.log"; exit 1; }
    cmake --build "$bld" -j "$JOBS" >>"$bld.log" 2>&1 || { tail -50 "$bld.log"; exit 1; }
    cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -50 "$bld.log"; exit 1; }
}

enable_deb_src() {
    f=/etc/apt/sources.list.d/debian.sources
    if [ -f "$f" ] && grep -q '^Types: deb$' "$f"; then
        SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
        $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
        $SUDO apt-get update -q
    fi
}

# --- JsonCpp ---------------------------------------------------------------
if [ ! -f "$DEPS/jsoncpp/.stamp" ]; then
    echo "Building JsonCpp for mingw-w64..."
    rm -rf "$DEPS/jsoncpp" && mkdir -p "$DEPS/jsoncpp/src"
    (cd "$DEPS/jsoncpp/src" && apt-get source -q libjsoncpp >../fetch.log 2>&1) || {
        enable_deb_src
        (cd "$DEPS/jsoncpp/src" && apt-get source -q libjsoncpp >../fetch.log 2>&1) || { cat "$DEPS/jsoncpp/fetch.log"; exit 1; }
    }
    src=$(find "$DEPS/jsoncpp/src" -mindepth 1 -maxdepth 1 -type d -name 'libjsoncpp-*' | head -n 1)
    cmake_build "$src" "$DEPS/jsoncpp/build" "$DEPS/jsoncpp/install" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
        -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
        -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF
    touch "$DEPS/jsoncpp/.stamp"
fi

# --- GoogleTest / GoogleMock -------------------------------------------------
if [ ! -f "$DEPS/googletest/.stamp" ]; then
    echo "Building GoogleTest for mingw-w64..."
    rm -rf "$DEPS/googletest" && mkdir -p "$DEPS/googletest"
    cmake_build /usr/src/googletest "$DEPS/googletest/build" "$DEPS/googletest/install" \
        -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON
    touch "$DEPS/googletest/.stamp"
fi

# --- Boost String Algorithms (header-only) ---------------------------------
mkdir -p "$DEPS/boost-include"
[ -e "$DEPS/boost-include/boost" ] || ln -s /usr/include/boost "$DEPS/boost-include/boost"
