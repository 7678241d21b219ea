#!/usr/bin/env bash
# Builds what the benchmark needs and runs it: the project's loading of generated sequences
# against bare libpng and zlib, and velorin-sim's check, preview and run timed whole, each
# interleaved with its baseline and given as medians and ratios of wall time and of processor
# time, on a machine it names (import against FFmpeg's own command, `ffmpeg`, among them); then
# the live window's frames under Xvfb. Ends by saying how long it took.
#   scripts/bench.sh [--quick] [--loading|--import|--list]   (--loading: the loading comparisons
#   alone; --import: the import comparisons alone; --list: `list` against a bare header read)
# The sequences are drawn once into $VELORIN_BENCH_SCRATCH (default: build/bench-scratch) and
# kept there for later runs; nothing there is committed. The wall-time figures want an idle
# machine (the benchmark prints the load average at its start and end); the processor-time
# ratios hold on a busy one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
"$here/scripts/build.sh" release velorin-sim velorin velorin_sample_root velorin_compare \
    velorin_bare_decode velorin_bare_headers
scratch=${VELORIN_BENCH_SCRATCH:-$here/build/bench-scratch}
"$here/build/bench/velorin_compare" "$scratch" "$here/build/tools/velorin-sim" \
    "$here/build/bench/velorin_bare_decode" "$here/build/samples/sample-root" "$@"
# The live window at its default size on a 1280x1024 desktop of Xvfb, held to one processor,
# while the bundled sample plays showing after showing for 12 s of the wall clock: its own
# frame statistics, and the processor time it and the X server spent a frame.
# Not for the runs of one comparison alone.
oneComparison=false
for argument in "$@"; do
    case "$argument" in --import | --list) oneComparison=true ;; esac
done
if $oneComparison; then
    :
elif command -v xvfb-run >/dev/null 2>&1; then
    statistics=$(mktemp)
    TIMEFORMAT='%U %S'
    spent=$( { time xvfb-run -a -s "-screen 0 1280x1024x24" taskset -c 0 \
        "$here/build/tools/velorin-sim" live --root "$here/build/samples/sample-root" \
        --script "$here/bench/live/looping-sample.scenario" --stats >/dev/null 2>"$statistics"; } 2>&1 )
    figures=$(grep -E '^frames [0-9]+, fps' "$statistics" || echo "no figures")
    frames=$(echo "$figures" | sed -nE 's/^frames ([0-9]+),.*/\1/p')
    echo
    echo "velorin-sim live, 390x844 window under Xvfb on one processor, the sample looping 12 s:"
    echo "  $figures (target: fps 60, p99 at most 16.7 ms)"
    if [ -n "$frames" ] && [ "$frames" -gt 0 ]; then
        echo "$spent" | awk -v frames="$frames" \
            '{ printf "  processor time, the window and the X server: %.1f ms a frame\n", ($1 + $2) * 1000 / frames }'
    fi
    rm -f "$statistics"
else
    echo "velorin-sim live: not measured (xvfb-run is missing; scripts/install-dependencies.sh installs it)"
fi
echo "scripts/bench.sh took $(($(date +%s) - started)) s, building included."
