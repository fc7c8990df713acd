#!/usr/bin/env bash
# Hot keys in a Wayland session, through the GlobalShortcuts portal (a stand-in backend behind the real
# frontend): the page's Control+Alt+F reaches DoHotKey while another program's window has the focus, every
# change of the keys closes the portal session and sends the whole list again, and a refused key and a desktop
# without GlobalShortcuts each answer false with one box.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

e2e_setup
wl_start_session shortcuts
e2e_start_server
keys="$SERVER_URL/app/test/keys.html"
session=/org/freedesktop/portal/desktop/session/.*/tesrabrowser_hotkeys
title='蓝岸演示 按键$'
ended() { local status=0; e2e_wait_exit "$1" 20 || status=$?; [ "$status" != 124 ]; }

e2e_start_program "$keys?auto=RegisterHotKey(1,3,70)"
first=$PROGRAM_PID
e2e_check "the page registers Control+Alt+F" e2e_wait_event '^call RegisterHotKey true$' 30
e2e_check "one session with the fixed token, asked for CTRL+ALT+f" \
  grep -qE "^create $session app=.* hotkey1-CTRL\+ALT\+f=CTRL\+ALT\+f$" "$E2E_DIR/portal.log"
e2e_check "its key bound" grep -qE "^bind $session hotkey1-CTRL\+ALT\+f=CTRL\+ALT\+f answer=0$" "$E2E_DIR/portal.log"
e2e_check "a key the page did not register is bound to nothing" e2e_not wl_press "CTRL+ALT+q"
sleep 0.5
e2e_check "no key has reached DoHotKey yet" e2e_no_event '^DoHotKey'

# Another program's window has the focus: the box of a second copy, which is another process.
e2e_start_program "$keys"
second=$PROGRAM_PID
e2e_check "the second copy's box has the focus" wl_wait_windows '^floating - focused 提示$' 1
wl_screenshot wayland-keys-other-window >/dev/null
e2e_check "the desktop presses Control+Alt+F" wl_press "CTRL+ALT+f"
e2e_check "the page's DoHotKey gets 1" e2e_wait_event '^DoHotKey 1$'
wl_input key Return
e2e_check "the second copy ends with its box" e2e_wait_exit "$second" 10
e2e_check "the first copy still runs" _e2e_alive "$first"
e2e_stop_program "$first" >/dev/null 2>&1 || true

# A second key closes the session and creates it with both; the window's end unregisters them one by one.
e2e_reset
: >"$E2E_DIR/portal.log"
e2e_start_program "$keys?auto=RegisterHotKey(1,3,70),RegisterHotKey(2,3,71),Close"
e2e_check "both keys are taken" e2e_wait_count '^call RegisterHotKey true$' 2 30
e2e_check "the program ends by the page's Close" ended "$PROGRAM_PID"
f="hotkey1-CTRL+ALT+f=CTRL+ALT+f" g="hotkey2-CTRL+ALT+g=CTRL+ALT+g"
expected="create $f|bind $f|close|create $f $g|bind $f $g|close|create $g|bind $g|close"
actual=$(sed -E "s#^(create|bind|close) $session( app=[^ ]*)?( token=[^ ]*)?#\1#; s# answer=0##" "$E2E_DIR/portal.log" | paste -sd'|')
e2e_expect_eq "every change sends the whole list to a new session" "$expected" "$actual"

# A refused key: false for every registration, and one box.
e2e_reset
wl_set_answer bind 2
e2e_start_program "$keys?auto=RegisterHotKey(1,3,70),RegisterHotKey(2,3,71)"
e2e_check "a refused key answers false" e2e_wait_count '^call RegisterHotKey false$' 2 30
e2e_check "one box tells it" wl_wait_windows "$title" 2
sleep 1
e2e_check "and only one" wl_wait_windows "$title" 2 1
wl_screenshot wayland-keys-refused >/dev/null
wl_input key Return
e2e_check "the box is answered, the page is still there" wl_wait_windows "$title" 1
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
e2e_stop_program >/dev/null 2>&1 || true
wl_set_answer bind 0

# A desktop without GlobalShortcuts (wlroots' own portal alone): false, and one box.
e2e_reset
: >"$E2E_DIR/portal.log"
wl_restart_portal plain
e2e_start_program "$keys?auto=RegisterHotKey(1,3,70),RegisterHotKey(2,3,71)"
e2e_check "without GlobalShortcuts the keys answer false" e2e_wait_count '^call RegisterHotKey false$' 2 30
e2e_check "one box tells it" wl_wait_windows "$title" 2
sleep 1
e2e_check "and only one" wl_wait_windows "$title" 2 1
wl_screenshot wayland-keys-none >/dev/null
e2e_expect_eq "nothing reached a shortcuts backend" "" "$(wl_portal_log)"
wl_input key Return
e2e_check "the box is answered, the page is still there" wl_wait_windows "$title" 1
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"

e2e_finish
