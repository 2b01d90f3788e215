#!/usr/bin/env bash
# A picture of the main window after extracting examples/eudora, taken on a virtual
# display. Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG] [--details]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-$build/mirelo-window.png}
shift $(( $# < 2 ? $# : 2 ))

tool=$build/tools/window_screenshot/mirelo_window_screenshot
if [ ! -x "$tool" ]; then
  echo "No $tool: build the project first (make build)." >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$tool" "$output" --extract-eudora "$PWD/examples/eudora" --output "$work/examples.csv" "$@"
echo "Wrote $output"
