#!/bin/sh
# Installs a built tree into a scratch prefix and builds a small program against it, once
# through the CMake package and once through pkg-config, then runs both and the installed
# velorin-sim.
#
# Usage: tests/install/check-install.sh BUILD_DIR [PREFIX]
set -eu
build=$1
prefix=${2:-/tmp/velorin-install-test}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

cmake -S "$here" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/velorin-install-check"

libdir=$(dirname "$(find "$prefix" -name velorin.pc)")
# shellcheck disable=SC2046
c++ -std=c++20 "$here/InstallCheck.cpp" -o "$work/pkgconfig-check" \
    $(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs velorin) \
    -Wl,-rpath,"$(PKG_CONFIG_PATH="$libdir" pkg-config --variable=libdir velorin)"
"$work/pkgconfig-check"

"$prefix/bin/velorin-sim" --version
test -f "$prefix/share/velorin/root/var/jb/vod/Library/Velorin/chargingSequences/particlespin/options.json"
test -f "$prefix/share/velorin/root/var/mobile/Library/Preferences/com.tarnwick.velorin.plist"
echo "install check passed"
