#!/usr/bin/env bash
# Configures and builds into build/ (or $TESRA_BUILD_DIR) with Ninja, mold and ccache. TESRA_WERROR=ON,
# TESRA_SANITIZE=ON and TESRA_UNIT_TESTS=OFF set the build options of those names (kept by the build folder
# until set again).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESRA_BUILD_DIR:-$here/build}
options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ -z "${TESRA_WERROR:-}" ] || options+=("-DTESRA_WERROR=$TESRA_WERROR")
[ -z "${TESRA_SANITIZE:-}" ] || options+=("-DTESRA_SANITIZE=$TESRA_SANITIZE")
[ -z "${TESRA_UNIT_TESTS:-}" ] || options+=("-DTESRA_UNIT_TESTS=$TESRA_UNIT_TESTS")
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths below the checkout's parent are hashed relative, so that another clone beside it shares the
  # cache; precompiled headers need the two sloppiness settings.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$here")} CCACHE_NOHASHDIR=1
  export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
fi
# A folder configured by another generator is configured afresh.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$here" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" "$@"
