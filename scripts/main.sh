#!/usr/bin/env bash
# The project's main job: install what is missing, build what the job needs (the extension
# library, velorin-sim with its manual page and shell completions, and the sample sequences it
# draws; no tests, no benchmarks), and render the preview of the bundled sample sequence on the
# simulated lock screen. It ends by printing
# where the frames, the contact sheet and the animated WebP are, where velorin-sim is, and the
# line that lets you type it by name.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-dependencies.sh"
"$here/scripts/build.sh" release velorin velorin-sim velorin_sample_root velorin_sim_documents
# The bundled sample root, named explicitly, so that the picture never depends on a user's root.
"$here/build/tools/velorin-sim" preview --root "$here/build/samples/sample-root" \
    --out "$here/build/preview"
cat <<END

velorin-sim is $here/build/tools/velorin-sim. To type it by name in this shell:

    export PATH="$here/build/tools:\$PATH"

then \`velorin-sim root\` makes your own device root, and \`velorin-sim help\` lists the commands.
To keep it on your path for good, \`cmake --install $here/build --prefix ~/.local\` puts it in
~/.local/bin; an install never writes your device root.
END
