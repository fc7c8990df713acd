#!/usr/bin/env bash
# The report of the client machine goes to the main page once per run, and again to a main page whose address
# says that the user changed ("paramTo=changeuser"): the application goes from its main page to a second main
# page (no report), to the page of the changed user (the report again), and to a main page after it (none).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

# Each page goes on to the next once it is bound, as a link of the application would.
encode() { /usr/bin/python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1"; }
app=$SERVER_URL/app
after="$app/index.html?main=true&name=after"
changed="$app/test/goto.html?main=true&paramTo=changeuser&name=changed&to=$(encode "$after")"
second="$app/test/goto.html?main=true&name=second&to=$(encode "$changed")"
first="$app/test/goto.html?main=true&name=first&to=$(encode "$second")"

e2e_start_program "$first"
e2e_check "the first main page gets the report" e2e_wait_event '^first: DoMessage LogClientInfo ""$' 30
e2e_check "the second main page is bound" e2e_wait_event '^second: SetTesraBrowserService$' 30
e2e_check "the changed user's page is bound" e2e_wait_event '^changed: SetTesraBrowserService$' 30
e2e_check "and gets the report again" e2e_wait_event '^changed: DoMessage LogClientInfo ""$' 10
e2e_check "the main page after it is bound" e2e_wait_event '^after: SetTesraBrowserService$' 30
sleep 2
reports=$(grep -E '^[a-z]+: DoMessage (CPU|Memory|OS|Software|LogClientInfo) ' <<<"$(e2e_events)" | cut -d' ' -f1,3 | tr '\n' ';')
e2e_expect_eq "the report arrived twice, whole and in order, at the first page and the changed user's" \
  "first: CPU;first: Memory;first: OS;first: Software;first: LogClientInfo;changed: CPU;changed: Memory;changed: OS;changed: Software;changed: LogClientInfo;" \
  "$reports"
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_check "the last page is on the screen" e2e_wait_window '^蓝岸演示$' 5
e2e_screenshot client-report >/dev/null

e2e_finish
