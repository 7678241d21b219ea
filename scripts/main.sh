#!/usr/bin/env bash
# The project's main job: install what is missing, build, and show the extension at work on
# the bundled sample device.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-dependencies.sh"
"$here/scripts/build.sh" release
"$here/build/tools/velorin-sim" settings
