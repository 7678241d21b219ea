#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [release|sanitize|thread|fuzz] [TARGET...]   (default: release, every target)
# The build folder is build/, build-sanitize/, build-thread/ or build-fuzz/ (or
# $VELORIN_FUZZ_BUILD) beside the sources. The thread flavour is built with the thread
# sanitizer, for the tests of what runs on several threads; the fuzz flavour is a clang build
# of the fuzz programs alone.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
shift || true
compilers=()
jobs=$(nproc 2>/dev/null || echo 2)
case "$flavour" in
    release)
        folder="$here/build"
        options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
        ;;
    sanitize)
        folder="$here/build-sanitize"
        options=(-DCMAKE_BUILD_TYPE=Debug -DVELORIN_SANITIZE=ON -DVELORIN_BUILD_BENCHMARKS=OFF)
        ;;
    thread)
        folder="$here/build-thread"
        options=(-DCMAKE_BUILD_TYPE=Debug -DVELORIN_SANITIZE_THREAD=ON -DVELORIN_BUILD_BENCHMARKS=OFF)
        ;;
    fuzz)
        folder=${VELORIN_FUZZ_BUILD:-$here/build-fuzz}
        compilers=(CC=clang CXX=clang++)
        options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELORIN_FUZZ=ON -DVELORIN_BUILD_TESTS=OFF
                 -DVELORIN_BUILD_BENCHMARKS=OFF)
        ;;
    *)
        echo "usage: scripts/build.sh [release|sanitize|thread|fuzz] [TARGET...]" >&2
        exit 2
        ;;
esac
generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
if [ ! -f "$folder/CMakeCache.txt" ]; then
    env "${compilers[@]}" cmake -S "$here" -B "$folder" "${generator[@]}" \
        -DVELORIN_WARNINGS_AS_ERRORS=ON "${options[@]}"
fi
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$folder" -j "$jobs" "${targets[@]}"
