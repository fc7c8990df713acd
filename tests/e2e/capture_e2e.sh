#!/usr/bin/env bash
# Screen capture from page script: mode 1 shows the dimmed overlay at once and returns the dragged
# rectangle as base64 JPEG; mode 0 minimises the window and asks first, and its restore of the window is
# not the user's (the page gets no "RESTORE"); a click without a drag returns
# nothing.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

# The page paints its pattern first: while the call runs the page cannot repaint, and the overlay
# shows the picture of the screen taken when it opened.
e2e_start_program "$SERVER_URL/app/test/pattern.html?delay=1500&auto=GetCaptureImage(1)"
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
sleep 3
before=$(e2e_screenshot capture-overlay)
xdotool mousemove 300 200 mousedown 1
xdotool mousemove 250 150 mousemove 180 100 mousemove 100 50
sleep 0.3
during=$(e2e_screenshot capture-drag)
xdotool mouseup 1
line=$(e2e_wait_event '^call GetCaptureImage ' 20 || true)
e2e_check "GetCaptureImage(1) returns text" test -n "$line"
# The overlay shows the screen dimmed and the selection at full brightness, so the screenshot taken during
# the drag holds the selection's own pixels.
e2e_check_capture "$line" "$during"
e2e_stop_program || true

# A click without a drag returns the empty text.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/pattern.html?auto=GetCaptureImage(1)"
e2e_wait_event '^SetTesraBrowserService$' 30 >/dev/null
sleep 1.5
xdotool mousemove 400 300 click 1
e2e_check "a click without a drag returns the empty text" e2e_wait_event '^call GetCaptureImage ""$' 20
e2e_stop_program || true

# Mode 0 minimises the window and asks; closing the question returns the empty text.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/pattern.html?auto=GetCaptureImage(0)"
e2e_wait_event '^SetTesraBrowserService$' 30 >/dev/null
dialog=$(e2e_wait_window '^屏幕截图$' 20 || true)
e2e_check "mode 0 shows the start dialog" test -n "$dialog"
main=$(xdotool search --name '^蓝岸演示 测试图案$' | sort -n | head -n 1)
e2e_check "mode 0 minimises the main window" sh -c "xprop -id $main _NET_WM_STATE WM_STATE | grep -Eq '_NET_WM_STATE_HIDDEN|Iconic'"
e2e_screenshot capture-start-dialog >/dev/null
xdotool windowactivate --sync "$dialog" key --clearmodifiers alt+F4 || true
e2e_check "closing the dialog returns the empty text" e2e_wait_event '^call GetCaptureImage ""$' 20
e2e_check "the main window is restored" e2e_wait_window '^蓝岸演示 测试图案$' 10
sleep 1
e2e_check "the capture's own restore does not reach the page" e2e_no_event '^DoMessage RESTORE'
e2e_check "the program still runs after the capture" kill -0 "$PROGRAM_PID"
e2e_expect_eq "no box is left on the screen" "" "$(e2e_dialogs)"
# The user's restore does.
xdotool windowminimize --sync "$main"
sleep 0.5
xdotool windowactivate --sync "$main"
e2e_check "the user's restore reaches the page" e2e_wait_event '^DoMessage RESTORE ""$' 10
e2e_stop_program || true

e2e_finish
