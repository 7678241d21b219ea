#!/usr/bin/env bash
# The project's main job: install what is missing, build, and render the preview of the
# bundled sample sequence on the simulated lock screen. It ends by printing where the frames,
# the contact sheet and the animated WebP are.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-dependencies.sh"
"$here/scripts/build.sh" release
# The bundled sample root, named explicitly, so that the picture never depends on a user's root.
"$here/build/tools/velorin-sim" preview --root "$here/build/samples/root" --out "$here/build/preview"
