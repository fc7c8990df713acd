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
first=$PROGRAM_PID
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

# Hot keys registered by frames (the newest registration's facade gets every hot key): once a frame is
# removed or navigated to another document, its hot key calls nothing in the page and the failing call is
# shown, while in the same run each frame's hot key reaches it while it is there.
e2e_stop_program "$first" >/dev/null 2>&1 || true
e2e_reset
e2e_start_program "$SERVER_URL/app/test/hotframes.html"
e2e_check "frame removed registers Control+Alt+G" e2e_wait_event '^removed: call RegisterHotKey true$' 30
hotframes=$(e2e_wait_window '^蓝岸演示 热键框架$')

# The failing call of the hot key: its error box (captioned with the page's title) appears and is answered.
gone_key() {  # key, what
  xdotool key --clearmodifiers "ctrl+alt+$1"
  if e2e_check "Control+Alt+${1^^} after $2 is a failing call that is shown" e2e_wait_dialog '^蓝岸演示 热键框架$' 10; then
    e2e_screenshot "keys-frame-$1-gone" >/dev/null
    e2e_check "its box is answered" e2e_click_box '^蓝岸演示 热键框架$' OK
  fi
}
step() {  # N, what
  xdotool windowactivate --sync "$hotframes"
  xdotool key --clearmodifiers F8
  e2e_check "step $1: $2" e2e_wait_event "^step $1 $2\$"
}

xdotool windowactivate --sync "$hotframes"
xdotool key --clearmodifiers ctrl+alt+g
e2e_check "Control+Alt+G reaches frame removed while it is there" e2e_wait_event '^removed: DoHotKey 2$'
step 1 "removed gone"
gone_key g "its frame was removed"
step 2 "moved registered true"
xdotool key --clearmodifiers ctrl+alt+h
e2e_check "Control+Alt+H reaches frame moved before its navigation" e2e_wait_event '^moved: DoHotKey 3$'
step 3 "moved navigated"
e2e_check "frame moved shows its new document" e2e_wait_event '^after: load '
gone_key h "its frame was navigated"
step 4 "live registered true"
xdotool key --clearmodifiers ctrl+alt+f
e2e_check "the live frame's Control+Alt+F reaches it" e2e_wait_event '^live: DoHotKey 1$'
for frame in removed moved; do
  e2e_check "frame $frame's facade is not called once its document is gone" e2e_no_event "^gone $frame: "
  e2e_check "frame $frame heard its hot key once only" e2e_not e2e_wait_count "^$frame: DoHotKey" 2 1
done
e2e_check "the document after the navigation heard nothing" e2e_no_event '^after: DoHotKey'
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
e2e_check "the page is still on the screen" e2e_wait_window '^蓝岸演示 热键框架$' 2
e2e_expect_eq "no box is left on the screen" "" "$(e2e_dialogs)"
e2e_screenshot keys-frames >/dev/null

e2e_finish
