#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end). A compiler warning stops the
# build. Then builds the unit tests again with AddressSanitizer and UndefinedBehaviorSanitizer (in
# build-sanitize/, or $TESRA_SANITIZE_BUILD_DIR) and runs them there; TESRA_SANITIZE_RUN=0 leaves that out.
# Arguments go to both ctest runs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
TESRA_WERROR=ON TESRA_SANITIZE=OFF "$here/scripts/build.sh"
(cd "$build" && ctest --output-on-failure -j 2 "$@")

if [ "${TESRA_SANITIZE_RUN:-1}" != 0 ]; then
  sanitize_build=${TESRA_SANITIZE_BUILD_DIR:-$build-sanitize}
  TESRA_BUILD_DIR=$sanitize_build TESRA_WERROR=OFF TESRA_SANITIZE=ON \
    "$here/scripts/build.sh" --target tesra_unit_tests
  (cd "$sanitize_build" && ctest --output-on-failure -j 2 -L unit "$@")
fi
