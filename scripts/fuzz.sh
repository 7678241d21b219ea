#!/usr/bin/env bash
# Builds the clang fuzz build and runs every fuzz program, one after another, for a set time.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   (default: 30 seconds each, every target)
# TARGET is a program name such as FrameOrderingFuzzer. The build folder is build-fuzz/ beside
# the sources (or $VELORIN_FUZZ_BUILD). Each program starts from a copy of its seed corpus
# (fuzz/corpus/NAME) in the build folder, which keeps what the runs add; the committed corpus is
# only read. Any crash, leak, timeout or memory overrun fails the script; the input that caused
# it is kept in build-fuzz/fuzz-artifacts/NAME/ and the program's output in fuzz-logs/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
folder=${VELORIN_FUZZ_BUILD:-$here/build-fuzz}

case "$seconds" in
    '' | *[!0-9]*)
        echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2
        exit 2
        ;;
esac

# Each program with the folder name of its corpus and dictionary.
declare -A corpusNames=(
    [OptionsPlacementFuzzer]=options-placement
    [PngDecodingFuzzer]=png-decoding
    [PngFastPathFuzzer]=png-fast-path
    [FrameOrderingFuzzer]=frame-ordering
    [PreferencesFuzzer]=preferences
    [PropertyListValuesFuzzer]=preferences
    [ScenarioReaderFuzzer]=scenario-reader
    [AnimatedImageFuzzer]=animated-images
    [LottieSourceFuzzer]=lottie-source
    [DebianPackageFuzzer]=debian-package
)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(OptionsPlacementFuzzer PngDecodingFuzzer PngFastPathFuzzer FrameOrderingFuzzer
             PreferencesFuzzer PropertyListValuesFuzzer ScenarioReaderFuzzer AnimatedImageFuzzer
             LottieSourceFuzzer DebianPackageFuzzer)
fi
for target in "${targets[@]}"; do
    if [ -z "${corpusNames[$target]:-}" ]; then
        echo "fuzz.sh: unknown target $target (known: ${!corpusNames[*]})" >&2
        exit 2
    fi
done

"$here/scripts/build.sh" fuzz "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for target in "${targets[@]}"; do
    name=${corpusNames[$target]}
    corpus="$folder/fuzz-corpus/$name"
    artifacts="$folder/fuzz-artifacts/$name/"
    log="$folder/fuzz-logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    cp -p "$here/fuzz/corpus/$name/"* "$corpus/"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$artifacts")
    if [ -f "$here/fuzz/dictionaries/$name.dict" ]; then
        options+=(-dict="$here/fuzz/dictionaries/$name.dict")
    fi
    echo "== $target: ${seconds}s from $corpus"
    status=0
    "$folder/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log"
        echo "== $target FAILED (exit $status) after ${runs:-?} runs; log $log, input in $artifacts"
        failed+=("$target")
    else
        echo "== $target: ${runs:-?} runs, no crash, leak or timeout"
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz.sh: failed: ${failed[*]}" >&2
    exit 1
fi
