#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once in the ordinary build
# and once under the address and undefined-behaviour sanitizers. Warnings are errors in both.
# The tests of what runs on several threads (frame decoding) run a third time under the thread
# sanitizer, and so do a short preview, which encodes its frames on several threads, a check,
# which reads a sequence's frames on several threads, and an import, which writes its frames on
# several threads.
# The ordinary build is also installed into a scratch prefix and used from there, and into a
# scratch home's ~/.local over a user's root, which must stay as it was.
# Last, every fuzz target runs for 30 seconds in the clang fuzz build (scripts/fuzz.sh).
#
# The run leaves $HOME as it found it: every test gives the programs it runs a home of their
# own. The script lists $HOME before and after, and fails naming what changed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
"$here/scripts/install-dependencies.sh"

# What the run is meant to write, left out of the listing of $HOME: the build folders (when the
# clone lies in the home) and the compiler cache. Their parent folders are left out too, since
# a run on a fresh machine may make them.
written=("$here/build" "$here/build-sanitize" "$here/build-thread"
         "${VELORIN_FUZZ_BUILD:-$here/build-fuzz}")
if command -v ccache >/dev/null 2>&1; then
    written+=("$(ccache -k cache_dir 2>/dev/null || echo "$HOME/.cache/ccache")")
fi
# Files with their type, size and time of change; folders by name only, because a folder's
# time changes when the build makes a folder in it (the clone's, for its build folders).
home_listing() {
    local prune=() parents=() folder
    for folder in "${written[@]}"; do
        prune+=(-path "$folder" -o)
        while [ "$folder" != "/" ] && [ "$folder" != "." ]; do
            folder=$(dirname "$folder")
            parents+=("d $folder")
        done
    done
    find "$HOME" \( "${prune[@]}" -false \) -prune -o -type d -printf 'd %p\n' \
        -o -printf '%y %s %T@ %p\n' 2>/dev/null |
        grep -vxF -f <(printf '%s\n' "${parents[@]}") | LC_ALL=C sort || true
}
home_before=$(mktemp)
home_after=$(mktemp)
home_listing >"$home_before"
check_home() {
    local status=$?
    home_listing >"$home_after"
    if ! cmp -s "$home_before" "$home_after"; then
        echo "test.sh: the run changed your home folder $HOME (- before, + after):" >&2
        diff "$home_before" "$home_after" | grep '^[<>]' | sed 's/^</-/; s/^>/+/' >&2 || true
        [ "$status" -ne 0 ] || status=1
    fi
    rm -f "$home_before" "$home_after"
    exit "$status"
}
trap check_home EXIT

"$here/scripts/build.sh" release
ctest --test-dir "$here/build" --output-on-failure -j "$jobs"
"$here/tests/install/check-install.sh" "$here/build"

"$here/scripts/build.sh" sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$here/build-sanitize" --output-on-failure -j "$jobs"

"$here/scripts/build.sh" thread animation_tests velorin-sim velorin velorin_sample_root
TSAN_OPTIONS=halt_on_error=1 "$here/build-thread/tests/animation_tests"
# The preview writes its frames on several threads while it draws the next ones. Like every
# test, these runs have a home of their own.
scratch=$(mktemp -d)
mkdir "$scratch/home" "$scratch/tmp"
in_scratch_home=(env HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share"
                 VELORIN_ROOT="$scratch/user-root" TMPDIR="$scratch/tmp" TSAN_OPTIONS=halt_on_error=1)
"${in_scratch_home[@]}" "$here/build-thread/tools/velorin-sim" preview \
    --root "$here/build-thread/samples/sample-root" --seconds 1 --fps 10 --scale 1 \
    --out "$scratch/out" >/dev/null
"${in_scratch_home[@]}" "$here/build-thread/tools/velorin-sim" check particlespin \
    --root "$here/build-thread/samples/sample-root" >/dev/null
# import encodes and writes its frames on several threads while the source decodes.
"${in_scratch_home[@]}" "$here/build-thread/tools/velorin-sim" import \
    "$here/build-thread/samples/sample-root/var/jb/vod/Library/Velorin/chargingSequences/particlespin" \
    --out "$scratch/imported" >/dev/null
rm -rf "$scratch"

"$here/scripts/fuzz.sh" 30
