#!/usr/bin/env bash
# The program's main job: the desktop application, or, without a display, the command
# line on the example mail folders.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."

if [ -x "$build/app/mirelo" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ "$(uname)" = Darwin ]; }; then
  exec "$build/app/mirelo"
fi

echo "No display to open a window on: running mirelo-extract on examples/ instead." >&2
echo "== Eudora mailboxes under examples/eudora" >&2
"$build/cli/mirelo-extract" examples/eudora
echo "== Outlook Express stores beside examples/outlook/Identities" >&2
"$build/cli/mirelo-extract" --outlook examples/outlook/Identities
