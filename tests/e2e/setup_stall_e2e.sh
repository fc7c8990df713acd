#!/usr/bin/env bash
# A server that never answers the setup requests: each download gives up after the HTTP client's time-out,
# the setup still completes (shortcut, no icon, no menu file) and the program opens the page.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
# Longer than the client waits for a byte.
e2e_start_server --setup-delay 45000

address="$SERVER_URL/app/test/plugin.html?stall=1"
e2e_start_program "$address"
e2e_check "the progress form shows while the server holds the answers" e2e_wait_window '^正在安装$' 15
e2e_check "the page opens once both downloads gave up" e2e_wait_event '^load .*stall=1' 120
e2e_expect_eq "both files were asked for" 2 "$(e2e_requests /app/test/setup/)"
e2e_check "the shortcut is made" test -f "$HOME/Desktop/蓝岸浏览器.desktop"
e2e_check "no file from the setup folder" \
  test -z "$(find "$XDG_DATA_HOME/Kestal/TesraBrowser" -name 'TesraBrowser.i*')"
e2e_stop_program "$PROGRAM_PID" || true

e2e_finish
