#!/bin/sh
# Installs a built tree into a scratch prefix and builds a small program against it, once
# through the CMake package and once through pkg-config, then runs both and the installed
# velorin-sim from a copy of the prefix moved elsewhere, so that it must find its extension and
# sample root beside itself.
#
# Usage: tests/install/check-install.sh BUILD_DIR [PREFIX]   (PREFIX defaults to a scratch folder)
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=${2:-$work/prefix}

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

test -f "$prefix/share/velorin/root/var/jb/vod/Library/Velorin/chargingSequences/particlespin/options.json"
test -f "$prefix/share/velorin/root/var/mobile/Library/Preferences/com.tarnwick.velorin.plist"

moved="$work/moved"
cp -a "$prefix" "$moved"
unset VELORIN_SAMPLE_ROOT VELORIN_EXTENSION_LIBRARY
# The user's own root is made in the scratch folder, and the installed sample root must stay as
# it was installed.
export VELORIN_ROOT="$work/user-root"
sample_before=$(cd "$moved/share/velorin/root" && find . -type f -exec md5sum {} + | sort)
"$moved/bin/velorin-sim" --version
"$moved/bin/velorin-sim" settings | grep -qx 'batteryanimation=particlespin'
"$moved/bin/velorin-sim" preview --seconds 0.5 --fps 2 --scale 1 --out "$work/preview" >/dev/null
test -f "$work/preview/contact-sheet.png"
"$moved/bin/velorin-sim" prefs set loopbatteryanimation true >/dev/null
test -d "$VELORIN_ROOT/var/jb/vod/Library/Velorin/chargingSequences/particlespin"
sample_after=$(cd "$moved/share/velorin/root" && find . -type f -exec md5sum {} + | sort)
test "$sample_before" = "$sample_after"
echo "install check passed"
