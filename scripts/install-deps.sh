#!/usr/bin/env bash
# Installs what building and testing need on Debian or Ubuntu; skips what is already there.
set -euo pipefail

# Python's vCard reader checks the vCard export; MinGW-w64 and Wine build the core for Windows and run its tests there; dpkg-dev lets
# CPack work out the Debian package's dependencies, and lintian checks the package. Two independent PST readers
# check the PST writer the tests use; ripgrep is what the extraction benchmark races.
packages=(build-essential cmake ninja-build pkg-config googletest libgtest-dev
          qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth
          g++-mingw-w64-x86-64-posix wine64 dpkg-dev lintian python3 python3-vobject
          pst-utils pff-tools ripgrep)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
