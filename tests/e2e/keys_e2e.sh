#!/usr/bin/env bash
# Keys and window commands that reach the page: Ctrl+K/L/N/P/S go to the facade instead of the page, other
# combinations reach the page, Alt-modified keys reach it too, restoring the window is announced, a page's hot
# key works from any window, and a pop-up whose page closes itself goes away.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

e2e_start_program "$SERVER_URL/app/test/keys.html?auto=RegisterHotKey(1,3,70)"
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the page registers Control+Alt+F" e2e_wait_event '^call RegisterHotKey true$'
main=$(e2e_wait_window '^蓝岸演示 按键$')
xdotool windowactivate --sync "$main"
sleep 0.5

xdotool key --clearmodifiers ctrl+n
e2e_check "Ctrl+N reaches DoHotKey" e2e_wait_event '^DoHotKey "CtrlN"$'
sleep 0.5
e2e_check "Ctrl+N does not reach the page" e2e_no_event '^key down n ctrl=true'

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
