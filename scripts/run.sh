#!/usr/bin/env bash
# Installs what is missing, builds, and runs TesraBrowser.
#
#   scripts/run.sh [address]
#
# Without an address it serves the bundled demo application on a free loopback port and opens that.
# With a display the program runs as the user until it ends. Without one it runs under a virtual display
# (Xvfb, openbox, trayer) in a temporary home, waits for the page, saves a screenshot
# ($TESRA_SHOTS, default the build folder) and stops everything.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export TESRA_SOURCE=$here TESRA_BUILD=${TESRA_BUILD_DIR:-$here/build}

"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" --target TesraBrowser tesra-demo-server

E2E_SUMMARY=0
# shellcheck source=tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh"
program=$TESRA_BUILD/linux/TesraBrowser
address=${1:-}

headless=0
[ -n "${DISPLAY:-}" ] || headless=1
if [ "$headless" = 1 ]; then
  e2e_setup
  e2e_start_display --tray
else
  e2e_init
fi
if [ -z "$address" ]; then
  e2e_start_server
  # Below /app/, so that the application's setup folder is /app/setup/.
  address="$SERVER_URL/app/index.html?main=true"
  export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
fi
echo "TesraBrowser $address"

if [ "$headless" = 0 ]; then
  status=0
  "$program" "$address" || status=$?
  exit "$status"
fi

e2e_start_program "$address"
# The demo page says when it has loaded and when the program has bound it; another address only
# shows a window.
if [ -n "${SERVER_URL:-}" ]; then
  if e2e_wait_event '^load ' 60 >/dev/null; then
    e2e_wait_event '^SetTesraBrowserService$' 10 >/dev/null || echo "The page loaded but was not bound." >&2
    shown=1
  else
    shown=0
  fi
else
  shown=0
  for _ in $(seq 300); do
    if [ -n "$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null)" ]; then
      sleep 3
      shown=1
      break
    fi
    _e2e_alive "$PROGRAM_PID" || break
    sleep 0.2
  done
fi
sleep 1
E2E_SHOTS=${TESRA_SHOTS:-$TESRA_BUILD}
shot=$(e2e_screenshot run)
echo "Screenshot: $shot"
if [ "$shown" = 0 ] || ! _e2e_alive "$PROGRAM_PID"; then
  echo "The page did not show; the program said:" >&2
  tail -n 20 "$E2E_PROGRAM_LOG" >&2
  exit 1
fi
