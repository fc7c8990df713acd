#!/usr/bin/env bash
# Capture benchmark: the time from the start of a capture (GetCaptureImage, mode 1) to its overlay's first
# frame, on X11 (Xvfb with openbox, the X server's own picture) and in a headless Wayland session (sway, the
# Screenshot portal with the wlroots backend, which runs grim and writes a PNG file). Also the part of it that
# taking the picture is. Prints the medians and spreads of RUNS runs each (default 5).
#
#   bench/capture_overlay.sh [RUNS]          (as root: the Wayland compositor runs as nobody)
#
# Informational only: it never fails a build and is not a test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
export TESRA_SOURCE=$here TESRA_BUILD=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/build.sh" --target tesra-bench-capture-overlay >/dev/null
bench=$TESRA_BUILD/bench/tesra-bench-capture-overlay

E2E_SUMMARY=0
# shellcheck source=tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh"
# shellcheck source=tests/e2e/wayland_lib.sh
source "$here/tests/e2e/wayland_lib.sh"

summary() {  # name, file of "<picture ms> <overlay ms>" lines
  python3 - "$1" "$2" <<'PY'
import statistics, sys
rows = [tuple(map(float, line.split())) for line in open(sys.argv[2]) if line.strip()]
for label, values in (("picture", [r[0] for r in rows]), ("overlay shown", [r[1] for r in rows])):
    print("%-8s %-14s median %7.1f ms  (%.1f to %.1f, %d runs)" % (
        sys.argv[1], label, statistics.median(values), min(values), max(values), len(values)))
PY
}

e2e_setup
before=${#E2E_PIDS[@]}
e2e_start_display
TESRA_SESSION=x11 "$bench" "$runs" >"$E2E_DIR/x11.txt"
summary X11 "$E2E_DIR/x11.txt"
# The X server and its window manager go; the session bus stays for the Wayland session.
for pid in "${E2E_PIDS[@]:before}"; do kill "$pid" 2>/dev/null || true; done
E2E_PIDS=("${E2E_PIDS[@]:0:before}")

wl_start_session shortcuts
TESRA_SESSION=wayland "$bench" "$runs" >"$E2E_DIR/wayland.txt"
summary Wayland "$E2E_DIR/wayland.txt"
