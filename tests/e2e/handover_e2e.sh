#!/usr/bin/env bash
# A facade whose hand-over throws: its error is shown in one box, the timer keeps trying without more boxes,
# and once the facade accepts, the page is bound and the program runs on.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

e2e_reset
e2e_start_program "$SERVER_URL/app/test/refusing.html?refuse=6"
program=$PROGRAM_PID
e2e_check "the first refusal is shown in a box" e2e_wait_dialog '^蓝岸演示 拒绝交接$' 30
e2e_screenshot handover-box >/dev/null
e2e_click_box '^蓝岸演示 拒绝交接$' OK || true
e2e_check "the timer keeps handing over" e2e_wait_event '^refused 6$' 20
e2e_check "the page is bound once the facade accepts" e2e_wait_event '^SetTesraBrowserService$' 10
sleep 2
e2e_check "the program still runs" kill -0 "$program"
e2e_expect_eq "no other box came" "" "$(e2e_dialogs)"
e2e_check "the page is still shown" e2e_wait_window '^蓝岸演示 拒绝交接$' 2
e2e_stop_program "$program" || true

e2e_finish
