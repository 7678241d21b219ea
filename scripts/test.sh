#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once in the ordinary build
# and once under the address and undefined-behaviour sanitizers. Warnings are errors in both.
# The tests of what runs on several threads (frame decoding) run a third time under the thread
# sanitizer, and so do a short preview, which encodes its frames on several threads, and a
# check, which reads a sequence's frames on several threads.
# The ordinary build is also installed into a scratch prefix and used from there.
# Last, every fuzz target runs for 30 seconds in the clang fuzz build (scripts/fuzz.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
"$here/scripts/install-dependencies.sh"

"$here/scripts/build.sh" release
ctest --test-dir "$here/build" --output-on-failure -j "$jobs"
"$here/tests/install/check-install.sh" "$here/build"

"$here/scripts/build.sh" sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$here/build-sanitize" --output-on-failure -j "$jobs"

"$here/scripts/build.sh" thread animation_tests velorin-sim velorin velorin_sample_root
TSAN_OPTIONS=halt_on_error=1 "$here/build-thread/tests/animation_tests"
# The preview writes its frames on several threads while it draws the next ones.
preview=$(mktemp -d)
TSAN_OPTIONS=halt_on_error=1 "$here/build-thread/tools/velorin-sim" preview \
    --root "$here/build-thread/samples/root" --seconds 1 --fps 10 --scale 1 --out "$preview/out" \
    >/dev/null
TSAN_OPTIONS=halt_on_error=1 "$here/build-thread/tools/velorin-sim" check particlespin \
    --root "$here/build-thread/samples/root" >/dev/null
rm -rf "$preview"

"$here/scripts/fuzz.sh" 30
