#!/usr/bin/env bash
# The log-off refusal. GNOME's session manager (a stand-in of org.gnome.SessionManager on the private
# bus): the program registers as a client; a log-off shows one box "<title>正在运行，请先退出!", the
# answer is no with that reason, the log-off is cancelled and the program runs on, also at a second
# log-off; without a main window (the address dialog) the log-off goes through and the program ends
# with the session. An X session manager (libSM's server side, named by SESSION_MANAGER): the same
# refusal through an interaction that cancels the shutdown.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup
e2e_start_display --tray
e2e_start_server

sm_log=$E2E_DIR/session.log
: >"$sm_log"
name_owned() {
  [ "$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null)" = "(true,)" ]
}
wait_log() {  # regex [seconds]
  local deadline
  deadline=$(_e2e_deadline "${2:-}")
  until grep -q -E -- "$1" "$sm_log"; do
    _e2e_expired "$deadline" && { _e2e_note "no /$1/ in the session manager's log"; tail -n 5 "$sm_log" >&2; return 1; }
    sleep 0.1
  done
}
count_log() { grep -c -E -- "$1" "$sm_log" || true; }
wait_count() {  # regex count [seconds]
  local deadline
  deadline=$(_e2e_deadline "${3:-}")
  until [ "$(count_log "$1")" -ge "$2" ]; do
    _e2e_expired "$deadline" && { _e2e_note "fewer than $2 /$1/ in the session manager's log"; return 1; }
    sleep 0.1
  done
}
dialogs() {  # number of visible dialogs whose name matches
  local id n=0
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
    _e2e_is_dialog "$id" && n=$((n + 1))
  done
  echo "$n"
}
logout() {
  gdbus call --session --dest org.gnome.SessionManager --object-path /org/gnome/SessionManager \
    --method org.gnome.SessionManager.Logout 0 >/dev/null
}

# GNOME.
/usr/bin/python3 "$here/gnome_session.py" --log "$sm_log" &
gnome=$!
E2E_PIDS+=("$gnome")
_e2e_wait_until "$(_e2e_deadline 10)" "the session manager" name_owned org.gnome.SessionManager
e2e_start_program "$SERVER_URL/app/index.html?main=true"
program=$PROGRAM_PID
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the program registers as a client" wait_log '^[0-9]+ register TesraBrowser ' 10
client=$(grep -E '^[0-9]+ register TesraBrowser ' "$sm_log" | head -n 1 | awk '{print $5}')

logout
e2e_check "a log-off shows the box with the page title as caption" e2e_wait_dialog '^蓝岸演示$' 10
e2e_check "the refusal reaches the session manager while the box is open, with the reason" \
  wait_log "response $client false 蓝岸演示正在运行，请先退出!" 5
e2e_check "the log-off is cancelled" wait_log '^[0-9]+ cancelled' 5
e2e_expect_eq "exactly one box" 1 "$(dialogs '^蓝岸演示$')"
shot=$(e2e_screenshot logoff-gnome)
e2e_check "the box closes with OK" e2e_click_box '^蓝岸演示$' OK 10
e2e_check "the program runs on" _e2e_alive "$program"
e2e_check "the main window is still there" e2e_wait_window '^蓝岸演示$' 5
e2e_expect_eq "no query timed out" 0 "$(count_log ' timeout ')"

logout
e2e_check "a second log-off shows the box again" e2e_wait_dialog '^蓝岸演示$' 10
e2e_check "and is refused and cancelled again" wait_count ' cancelled$' 2 5
e2e_expect_eq "one box for the second query too" 1 "$(dialogs '^蓝岸演示$')"
e2e_click_box '^蓝岸演示$' OK 10 || true
e2e_check "two refusals in all" wait_count "response $client false 蓝岸演示正在运行，请先退出!" 2 5
e2e_stop_program "$program" || true

# Without a main window nothing refuses: the log-off goes through and the program ends with the session.
registered=$(count_log ' register TesraBrowser ')
e2e_start_program
dialog_program=$PROGRAM_PID
e2e_check "the address dialog is up" e2e_wait_window '^请输入地址$' 20
registered_again() { [ "$(count_log ' register TesraBrowser ')" -gt "$registered" ]; }
_e2e_wait_until "$(_e2e_deadline 10)" "the second registration" registered_again
logout
e2e_check "the session manager ends the session" wait_log '^[0-9]+ ended' 10
status=0
e2e_wait_exit "$dialog_program" 10 || status=$?
e2e_expect_eq "the program ends with the session (exit code 0)" 0 "$status"
kill "$gnome"
_e2e_wait_until "$(_e2e_deadline 10)" "the session manager's end" e2e_not name_owned org.gnome.SessionManager

# The X session management protocol.
xsmp_log=$E2E_DIR/xsmp.log
: >"$xsmp_log"
"$TESRA_BUILD/tests/tesra-test-xsmp-manager" "$E2E_DIR/xsmp-address" "$xsmp_log" &
xsmp=$!
E2E_PIDS+=("$xsmp")
_e2e_wait_until "$(_e2e_deadline 10)" "the X session manager" test -s "$E2E_DIR/xsmp-address"
SESSION_MANAGER=$(cat "$E2E_DIR/xsmp-address")
export SESSION_MANAGER
sm_log=$xsmp_log
e2e_reset
e2e_start_program "$SERVER_URL/app/index.html?main=true"
program=$PROGRAM_PID
e2e_check "the page is bound (X session)" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the program registers with the X session manager" wait_log '^register ' 10
e2e_check "with its restart command" wait_log '^property RestartCommand' 5
kill -USR1 "$xsmp"
e2e_check "a log-off asks for interaction" wait_log '^interact-request' 10
e2e_check "and shows the box" e2e_wait_dialog '^蓝岸演示$' 10
e2e_expect_eq "exactly one box (X session)" 1 "$(dialogs '^蓝岸演示$')"
e2e_screenshot logoff-xsmp >/dev/null
e2e_check "the box closes with OK (X session)" e2e_click_box '^蓝岸演示$' OK 10
e2e_check "the shutdown is cancelled" wait_log '^cancelled' 10
e2e_check "the program runs on (X session)" _e2e_alive "$program"
e2e_check "the main window is still there (X session)" e2e_wait_window '^蓝岸演示$' 5
echo "box: $shot" >&2

e2e_finish
