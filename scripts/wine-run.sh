#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own that is thrown away afterwards,
# so that no run sees what an earlier one left in C:\ or the registry.
set -euo pipefail
prefix=$(mktemp -d "${TMPDIR:-/tmp}/mirelo-wine.XXXXXX")
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
# Wine makes its server's folder in TMPDIR: inside the prefix it goes with the prefix.
mkdir "$prefix/tmp"
export TMPDIR="$prefix/tmp" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 "$@"
