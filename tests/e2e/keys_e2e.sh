#!/usr/bin/env bash
# Keys and window commands that reach the page: before the page is bound Ctrl+K/L/N/P/S reach the page as they
# are, once it is bound they go to the facade instead of the page, other combinations reach the page, Alt-modified
# keys reach it too, restoring the window is announced, a page's hot key works from any window, and a pop-up whose
# page closes itself goes away.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

# The page's plug-in gets its content when F8 is pressed: until then the page cannot be bound.
e2e_start_program "$SERVER_URL/app/test/keys.html?attach=F8&auto=RegisterHotKey(1,3,70)"
e2e_check "the page loads" e2e_wait_event '^load .*keys\.html' 30
main=$(e2e_wait_window '^蓝岸演示 按键$')
xdotool windowactivate --sync "$main"
sleep 0.5

shortcuts=(k:CtrlK l:CtrlL n:CtrlN p:CtrlP s:CtrlS)
for shortcut in "${shortcuts[@]}"; do
  key=${shortcut%%:*}
  xdotool key --clearmodifiers "ctrl+$key"
  e2e_check "before the binding Ctrl+${key^^} reaches the page" e2e_wait_event "^key down $key ctrl=true alt=false shift=false\$" 10
done
e2e_check "before the binding no key reaches DoHotKey" e2e_no_event '^DoHotKey'
e2e_check "and the page is not bound" e2e_no_event '^SetTesraBrowserService$'
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"

xdotool key --clearmodifiers F8
e2e_check "the plug-in gets its content" e2e_wait_event '^plugin attached$'
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the page registers Control+Alt+F" e2e_wait_event '^call RegisterHotKey true$'
xdotool windowactivate --sync "$main"
sleep 0.5

e2e_reset
for shortcut in "${shortcuts[@]}"; do
  key=${shortcut%%:*} name=${shortcut#*:}
  xdotool key --clearmodifiers "ctrl+$key"
  e2e_check "Ctrl+${key^^} reaches DoHotKey(\"$name\")" e2e_wait_event "^DoHotKey \"$name\"\$"
done
sleep 0.5
for shortcut in "${shortcuts[@]}"; do
  key=${shortcut%%:*}
  e2e_check "Ctrl+${key^^} does not reach the page" e2e_no_event "^key down $key ctrl=true"
done
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
e2e_check "the page is still on the screen" e2e_wait_window '^蓝岸演示 按键$' 2
e2e_expect_eq "no box is on the screen after the shortcuts" "" "$(e2e_dialogs)"
e2e_screenshot keys-bound >/dev/null
e2e_reset

xdotool key --clearmodifiers ctrl+shift+s
e2e_check "Ctrl+Shift+S reaches the page" e2e_wait_event '^key down S ctrl=true alt=false shift=true$'
e2e_check "Ctrl+Shift+S is no shortcut" e2e_no_event '^DoHotKey "CtrlS"$'

xdotool key --clearmodifiers alt+s
e2e_check "Alt+S reaches the page's key handlers" e2e_wait_event '^key down s ctrl=false alt=true shift=false$'

xdotool windowminimize --sync "$main"
sleep 0.5
xdotool windowactivate --sync "$main"
e2e_check "restoring the window sends RESTORE" e2e_wait_event '^DoMessage RESTORE ""$'

# The page's own hot key, pressed while a window of another program has the focus (here the box of a
# second copy, which is another process).
e2e_reset
e2e_start_program "$SERVER_URL/app/index.html"
box=$(e2e_wait_dialog '^提示$')
xdotool windowactivate --sync "$box"
e2e_screenshot keys-other-window >/dev/null
xdotool key --clearmodifiers ctrl+alt+f
e2e_check "the registered hot key calls DoHotKey(1) from another program's window" e2e_wait_event '^DoHotKey 1$'
e2e_click_box '^提示$' OK || true

e2e_finish
