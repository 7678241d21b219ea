#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [release|sanitize]   (default: release)
# The build folder is build/ or build-sanitize/ beside the sources.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
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
    *)
        echo "usage: scripts/build.sh [release|sanitize]" >&2
        exit 2
        ;;
esac
generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
if [ ! -f "$folder/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$folder" "${generator[@]}" -DVELORIN_WARNINGS_AS_ERRORS=ON "${options[@]}"
fi
cmake --build "$folder" -j "$jobs"
