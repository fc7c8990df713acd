#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
cd "${TESRA_BUILD_DIR:-$here/build}"
ctest --output-on-failure -j 2 "$@"
