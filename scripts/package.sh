#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package tesrabrowser_<version>_<arch>.deb in
# build/ (or $TESRA_BUILD_DIR); prints its path.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
cd "$build"
cpack -G DEB | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p'
