#!/usr/bin/env bash
# Builds what the benchmark needs and runs it: the project's loading of generated sequences
# against bare libpng and zlib, and velorin-sim's check, preview and run timed whole, each
# interleaved with its baseline and given as medians and ratios of wall time and of processor
# time, on a machine it names. Ends by saying how long it took.
#   scripts/bench.sh [--quick] [--loading]   (--loading: the loading comparisons alone)
# The sequences are drawn once into $VELORIN_BENCH_SCRATCH (default: build/bench-scratch) and
# kept there for later runs; nothing there is committed. The wall-time figures want an idle
# machine (the benchmark prints the load average at its start and end); the processor-time
# ratios hold on a busy one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
"$here/scripts/build.sh" release velorin-sim velorin velorin_sample_root velorin_compare \
    velorin_bare_decode
scratch=${VELORIN_BENCH_SCRATCH:-$here/build/bench-scratch}
"$here/build/bench/velorin_compare" "$scratch" "$here/build/tools/velorin-sim" \
    "$here/build/bench/velorin_bare_decode" "$here/build/samples/sample-root" "$@"
echo "scripts/bench.sh took $(($(date +%s) - started)) s, building included."
