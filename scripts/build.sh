#!/usr/bin/env bash
# Configures and builds into build/ (or $TESRA_BUILD_DIR). TESRA_WERROR=ON and TESRA_SANITIZE=ON set the
# build options of those names (kept by the build folder until set again).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESRA_BUILD_DIR:-$here/build}
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ -z "${TESRA_WERROR:-}" ] || options+=("-DTESRA_WERROR=$TESRA_WERROR")
[ -z "${TESRA_SANITIZE:-}" ] || options+=("-DTESRA_SANITIZE=$TESRA_SANITIZE")
cmake -S "$here" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" "$@"
