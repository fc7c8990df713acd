#!/usr/bin/env bash
# Which documents receive the scripting object: the application's own pages and frames do; a page of
# another site that claims the application's address in everything its script can change gets nothing,
# whether it comes by a link, by a redirection after the first page, by a pop-up that sends its opener
# there, or in a frame; a page of another site whose properties throw raises no box, while the same
# page of the application shows its error.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

enc() { python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1"; }

app_page="$SERVER_URL/app/index.html"
spoof() {  # name, extra query
  echo "$OTHER_URL/app/test/spoof.html?name=$1&app=$(enc "$app_page")&auto=VersionInfo,GetInstalledSoft${2:-}"
}

# The dialogs on screen now, one line each ("none" when there are none).
dialogs() {
  local id found=""
  for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null || true); do
    if [[ "$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null)" == *_NET_WM_WINDOW_TYPE_DIALOG* ]]; then
      found+="$(xdotool getwindowname "$id" 2>/dev/null) "
    fi
  done
  echo "${found:-none}"
}

# After a spoofing page has shown up: it stays unbound through several binding attempts of the timer.
expect_spoof_unbound() {  # name, what
  e2e_check "$2: the spoofing page loads" e2e_wait_event "^$1: load " 30
  e2e_check "$2: it claims the application's address" \
    e2e_wait_event "^$1: claims $app_page $SERVER_URL\$" 10
  sleep 3
  e2e_check "$2: its facade receives no scripting object" e2e_no_event "^$1: SetTesraBrowserService"
  e2e_check "$2: no member call succeeds" e2e_no_event "^$1: call "
  e2e_check "$2: the program still runs" kill -0 "$PROGRAM_PID"
  e2e_expect_eq "$2: no box" none "$(dialogs)"
}

# 1. A link from the application.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/goto.html?to=$(enc "$(spoof link)")"
e2e_check "the application's page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
expect_spoof_unbound link "by a link"
e2e_screenshot trust-link >/dev/null
e2e_stop_program || true

# 2. A redirection after the first page.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/goto.html?to=$(enc "$SERVER_URL/__redirect?to=$(enc "$(spoof redirect)")")"
e2e_check "the first page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
expect_spoof_unbound redirect "by a redirection"
e2e_stop_program || true

# 3. A pop-up of another site that sends the main window (its opener) to the spoofing page.
e2e_reset
opener="$OTHER_URL/app/test/navopener.html?name=popup&to=$(enc "$(spoof opener)")"
e2e_start_program "$SERVER_URL/app/test/popup.html?open=1&target=$(enc "$opener")"
e2e_check "the opening page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the pop-up sends its opener away" e2e_wait_event '^popup: opener sent to ' 30
expect_spoof_unbound opener "by the pop-up's opener"
e2e_stop_program || true

# 4. In a frame, beside the application's own frame.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/mixed.html?other=$(enc "$(spoof framed '&report=parent')")"
e2e_check "the application's own frame is bound" e2e_wait_event '^own: SetTesraBrowserService$' 30
expect_spoof_unbound framed "in a frame"
e2e_stop_program || true

# 5. Properties that throw: silent for another site, an error box for the application's own page.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/goto.html?to=$(enc "$OTHER_URL/app/test/throwing.html?name=foreign")"
e2e_check "the application's page before it is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the throwing page of another site loads" e2e_wait_event '^foreign: throwing ready$' 30
e2e_check "the main window follows its title" e2e_wait_window '冒充的提示标题' 10
sleep 4
e2e_expect_eq "a throwing page of another site raises no box" none "$(dialogs)"
e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
e2e_screenshot trust-throwing-foreign >/dev/null
e2e_stop_program || true

e2e_reset
e2e_start_program "$SERVER_URL/app/test/throwing.html?name=own"
e2e_check "the application's throwing page loads" e2e_wait_event '^own: throwing ready$' 30
e2e_check "the application's own page shows its error in a box" e2e_wait_dialog '冒充的提示标题' 15
e2e_screenshot trust-throwing-own >/dev/null
e2e_stop_program || true

e2e_finish
