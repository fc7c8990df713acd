#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. A compiler warning stops the build.
#
# Two build folders, each compiling its sources once: build/ (or $TESRA_BUILD_DIR) holds the program, the
# end-to-end helpers, the benchmarks and the tools; build-sanitize/ (or $TESRA_SANITIZE_BUILD_DIR) holds the
# unit tests, built with AddressSanitizer and UndefinedBehaviorSanitizer, where they run. TESRA_SANITIZE_RUN=0
# builds and runs the unit tests in build/ without the sanitizers instead. Arguments go to both ctest runs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"

if [ "${TESRA_SANITIZE_RUN:-1}" = 0 ]; then
  TESRA_WERROR=ON TESRA_SANITIZE=OFF TESRA_UNIT_TESTS=ON "$here/scripts/build.sh"
  (cd "$build" && ctest --output-on-failure -j 2 "$@")
  exit
fi

sanitize_build=${TESRA_SANITIZE_BUILD_DIR:-$build-sanitize}
TESRA_WERROR=ON TESRA_SANITIZE=OFF TESRA_UNIT_TESTS=OFF "$here/scripts/build.sh"
TESRA_BUILD_DIR=$sanitize_build TESRA_WERROR=ON TESRA_SANITIZE=ON TESRA_UNIT_TESTS=ON \
  "$here/scripts/build.sh" --target tesra_unit_tests
(cd "$sanitize_build" && ctest --output-on-failure -j 2 -L unit "$@")
(cd "$build" && ctest --output-on-failure -j 2 "$@")
