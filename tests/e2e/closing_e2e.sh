#!/usr/bin/env bash
# Pages that ask to close: the main page ends the program also after the application has navigated within
# itself, a pop-up goes also after its own navigation, and a pop-up closed by its page or by Esc is freed
# (its window is destroyed and its page stops running) while the main window stays.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

urlencode() { python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1"; }

# Pop-ups carry the main window's caption. The windows with it: visible ones, and all, hidden ones too
# (a freed window has none).
CAPTION='^蓝岸演示 弹出窗口$'
visible_windows() { xdotool search --onlyvisible --name "$CAPTION" 2>/dev/null | wc -l; }
all_windows() { xdotool search --name "$CAPTION" 2>/dev/null | wc -l; }

wait_windows() {  # until so many windows with the caption are visible
  local deadline
  deadline=$(($(date +%s) + 10))
  until [ "$(visible_windows)" = "$1" ]; do
    [ "$(date +%s)" -ge "$deadline" ] && { echo "$(visible_windows) windows, not $1"; return 1; }
    sleep 0.1
  done
}

# The number of "NAME: tick" lines reported so far.
ticks() { grep -c "^$1: tick$" <<<"$(e2e_events)" || true; }

# The main page, reached by a link of the application (two history entries), closes itself.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/goto.html?to=$(urlencode "closeself.html?after=1500")"
program=$PROGRAM_PID
e2e_check "the first page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the main page after the link is bound" e2e_wait_count '^SetTesraBrowserService$' 2 20
e2e_check "the main page asks to close" e2e_wait_event '^closing$' 20
status=0
e2e_wait_exit "$program" 10 || status=$?
e2e_expect_eq "the main page's close ends the program without a question" 0 "$status"
[ "$status" = 124 ] && { e2e_stop_program "$program" || true; }

# Pop-ups: one whose page closes itself after a link of its own, one closed by its page's button, one
# closed by Esc. Each page ticks while it runs.
e2e_reset
closing_popup="goto.html?name=nav&to=$(urlencode "closeself.html?name=navclose&after=1500&tick=200")"
e2e_start_program "$SERVER_URL/app/test/popup.html?open=1&target=$(urlencode "$closing_popup")"
program=$PROGRAM_PID
e2e_check "the pop-up follows its link" e2e_wait_event '^navclose: load ' 30
e2e_check "the pop-up's page ticks while it runs" e2e_wait_count '^navclose: tick$' 2 10
e2e_check "the pop-up asks to close after its own navigation" e2e_wait_event '^navclose: closing$' 20
e2e_check "that pop-up goes" wait_windows 1
sleep 1
before=$(ticks navclose)
sleep 1
e2e_expect_eq "its page no longer runs" "$before" "$(ticks navclose)"
e2e_expect_eq "its window is freed, not hidden" 1 "$(all_windows)"
e2e_check "the program still runs" kill -0 "$program"
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_check "the main window stays" e2e_wait_window "$CAPTION" 2
e2e_stop_program "$program" || true

for closer in button Escape; do
  e2e_reset
  e2e_start_program "$SERVER_URL/app/test/popup.html?open=1&target=$(urlencode "closeself.html?name=$closer&after=never&tick=200")"
  program=$PROGRAM_PID
  e2e_check "$closer: the pop-up's page loads" e2e_wait_event "^$closer: load " 30
  e2e_check "$closer: the pop-up's page ticks" e2e_wait_count "^$closer: tick$" 2 10
  e2e_check "$closer: the pop-up is on the screen" wait_windows 2
  popup=$(xdotool search --onlyvisible --name "$CAPTION" | sort -n | tail -n 1)
  e2e_screenshot "closing-$closer-before" >/dev/null
  xdotool windowactivate --sync "$popup" >/dev/null 2>&1 || true
  if [ "$closer" = button ]; then
    xdotool key --clearmodifiers Return
    e2e_check "$closer: the page asks to close" e2e_wait_event "^$closer: closing$" 10
  else
    xdotool key --clearmodifiers Escape
  fi
  e2e_check "$closer: the pop-up goes" wait_windows 1
  sleep 1
  before=$(ticks "$closer")
  sleep 1
  e2e_expect_eq "$closer: its page no longer runs" "$before" "$(ticks "$closer")"
  e2e_expect_eq "$closer: its window is freed, not hidden" 1 "$(all_windows)"
  e2e_check "$closer: the program still runs" kill -0 "$program"
  e2e_expect_eq "$closer: no box is on the screen" "" "$(e2e_dialogs)"
  e2e_check "$closer: the main window stays" e2e_wait_window "$CAPTION" 2
  e2e_screenshot "closing-$closer-after" >/dev/null
  e2e_stop_program "$program" || true
done

e2e_finish
