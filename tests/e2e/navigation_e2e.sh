#!/usr/bin/env bash
# Loads that fail or go through a certificate box never end the program once a page is on screen: an
# accepted certificate loads and binds the page, and a link from a page without the plug-in to an address
# that refuses the connection, to a certificate the user refuses or with a scheme that nothing handles
# leaves the user on that page, which binds the next page as usual. The client report goes to the page on
# screen, never to the one before it. Only a start that never showed a page ends in the network message.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server --https

closed_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
refused="http://127.0.0.1:$closed_port/app/"

urlencode() { python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1"; }

# Presses Return in the window (its focused button).
press_return() {
  local window
  window=$(e2e_wait_window "$1" 5) || return 1
  xdotool windowactivate --sync "$window" key --clearmodifiers Return
}

# What the user sees a few seconds after the program settled: it runs, no box is open, and the window
# shows the page with the given title.
still_on_page() {  # pid, title regex, what
  sleep 3
  e2e_check "$3: the program still runs" kill -0 "$1"
  e2e_expect_eq "$3: no box is on the screen" "" "$(e2e_dialogs)"
  e2e_check "$3: the page is still shown" e2e_wait_window "$2" 2
}

# An unverified certificate accepted with OK: the page loads, is bound, and nothing ends the program.
e2e_reset
e2e_start_program "$HTTPS_URL/app/index.html?main=true"
program=$PROGRAM_PID
e2e_check "the certificate box comes" e2e_wait_dialog '^蓝岸浏览器$' 30
e2e_click_box '^蓝岸浏览器$' OK || true
e2e_check "the accepted page loads" e2e_wait_event '^load https://' 30
e2e_check "the accepted page is bound" e2e_wait_event '^SetTesraBrowserService$' 20
still_on_page "$program" '^蓝岸演示' "after the certificate"
e2e_check "the bound page gets its client report" e2e_wait_event '^DoMessage LogClientInfo ""$' 5
e2e_screenshot navigation-certificate >/dev/null
e2e_stop_program "$program" || true

# From a login page (no plug-in) a link that fails, then the login button leads to the main page.
fail_from_login() {  # target, what, [box answer]
  e2e_reset
  local next="$SERVER_URL/app/index.html?main=true"
  e2e_start_program "$SERVER_URL/app/test/login.html?to=$(urlencode "$1")&next=$(urlencode "$next")"
  local pid=$PROGRAM_PID
  e2e_check "$2: the login page loads" e2e_wait_event '^login load$' 30
  if [ -n "${3:-}" ]; then
    e2e_check "$2: the certificate box comes" e2e_wait_dialog '^蓝岸演示 登录$' 20
    e2e_click_box '^蓝岸演示 登录$' "$3" || true
  fi
  still_on_page "$pid" '^蓝岸演示 登录$' "$2"
  [ "$2" = "a refused connection" ] && e2e_screenshot navigation-refused >/dev/null
  press_return '^蓝岸演示 登录$'
  e2e_check "$2: the login page still works" e2e_wait_event '^login next$' 10
  e2e_check "$2: the next page is bound" e2e_wait_event '^SetTesraBrowserService$' 20
  still_on_page "$pid" '^蓝岸演示' "$2, on the next page"
  e2e_stop_program "$pid" || true
}

fail_from_login "$refused" "a refused connection"
fail_from_login "$HTTPS_URL/app/index.html" "a refused certificate" Cancel
fail_from_login "tesra-nothing:somewhere" "a scheme that nothing handles"

# The client report goes to the page on screen: a main page without the plug-in that follows a bound page
# sends nothing to the page before it, and the next main page with the plug-in gets the report.
e2e_reset
login="login.html?main=true&next=$(urlencode "$SERVER_URL/app/index.html?main=true")"
e2e_start_program "$SERVER_URL/app/test/goto.html?to=$(urlencode "$login")"
program=$PROGRAM_PID
e2e_check "the first page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the main page without the plug-in loads" e2e_wait_event '^login load$' 20
sleep 2
e2e_check "no report went to the page before it" e2e_no_event '^DoMessage '
press_return '^蓝岸演示 登录$'
e2e_check "the next main page is bound" e2e_wait_count '^SetTesraBrowserService$' 2 20
e2e_check "the next main page gets the report" e2e_wait_event '^DoMessage LogClientInfo ""$' 10
still_on_page "$program" '^蓝岸演示' "after the report"
e2e_stop_program "$program" || true

# Where no page was ever shown, the network message comes and its OK ends the program.
e2e_start_program "$refused"
program=$PROGRAM_PID
e2e_check "a start that reaches nothing shows the network message" e2e_wait_dialog '^蓝岸浏览器$' 30
e2e_click_box '^蓝岸浏览器$' OK || true
status=0
e2e_wait_exit "$program" 20 || status=$?
e2e_expect_eq "its OK ends the program" 0 "$status"

e2e_finish
