#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end), then builds the unit tests
# again with AddressSanitizer and UndefinedBehaviorSanitizer (in build-sanitize/) and runs them there.
# A compiler warning stops both builds. TESRA_SKIP_SANITIZE=1 skips the sanitizer run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
TESRA_WERROR=ON TESRA_SANITIZE=OFF "$here/scripts/build.sh"
(cd "$build" && ctest --output-on-failure -j 2 "$@")

if [ "${TESRA_SKIP_SANITIZE:-0}" != 1 ]; then
  sanitize_build=${TESRA_SANITIZE_BUILD_DIR:-$build-sanitize}
  TESRA_BUILD_DIR=$sanitize_build TESRA_WERROR=ON TESRA_SANITIZE=ON \
    "$here/scripts/build.sh" --target tesra_unit_tests
  (cd "$sanitize_build" && ctest --output-on-failure -j 2 -L unit)
fi
