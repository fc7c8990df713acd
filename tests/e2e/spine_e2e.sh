#!/usr/bin/env bash
# The program's spine: the window opens the application with the machine address, the caption follows the
# page, a second copy is refused, pages get pop-ups, closing asks first, and a bad address never hangs.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server --https

# A start address without a query gets "?__MAC=" and the machine address.
e2e_start_program "$SERVER_URL/app/test/popup.html?open=2"
first=$PROGRAM_PID
loaded=$(e2e_wait_event '^load .*/app/test/popup\.html\?open=2&__MAC=' 30 || true)
e2e_check "the page loads with the machine address appended" test -n "$loaded"
e2e_check "the machine address is a card address or the computer name" \
  grep -Eq '__MAC=([0-9A-F]{2}-){5}[0-9A-F]{2}$|__MAC=[A-Z0-9_.-]+$' <<<"$loaded"
e2e_check "the caption follows the page title" e2e_wait_window '^蓝岸演示 弹出窗口$'

# window.open gives a stay-on-top pop-up with the main caption, also from a pop-up.
e2e_check "a page's window.open opens a pop-up" e2e_wait_event '^popup1: load ' 20
e2e_check "a pop-up's window.open opens another pop-up" e2e_wait_event '^popup2: load ' 20
sleep 1
windows=$(xdotool search --onlyvisible --name '^蓝岸演示 弹出窗口$' | wc -l)
e2e_expect_eq "three windows carry the main caption" 3 "$windows"
popup=$(xdotool search --onlyvisible --name '^蓝岸演示 弹出窗口$' | sort -n | tail -n 1)
e2e_check "a pop-up stays on top" sh -c "xprop -id $popup _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE"
e2e_screenshot spine-popups >/dev/null

# Esc closes (hides) a pop-up.
xdotool windowactivate --sync "$popup" key Escape
sleep 1
windows=$(xdotool search --onlyvisible --name '^蓝岸演示 弹出窗口$' | wc -l)
e2e_expect_eq "Esc hides the pop-up" 2 "$windows"

# A second copy says so and ends; the first keeps running.
e2e_start_program "$SERVER_URL/app/index.html"
second=$PROGRAM_PID
e2e_check "a second copy shows 程序已经运行" e2e_wait_dialog '^提示$'
e2e_screenshot spine-second-copy >/dev/null
e2e_check "the box is answered" e2e_click_box '^提示$' OK
status=0
e2e_wait_exit "$second" 20 || status=$?
e2e_expect_eq "the second copy ends with exit code 0" 0 "$status"
e2e_check "the first copy still runs" kill -0 "$first"

# Closing asks; Cancel keeps the window, OK ends the program.
main=$(xdotool search --onlyvisible --name '^蓝岸演示 弹出窗口$' | sort -n | head -n 1)
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing asks 您确定要退出系统吗？" e2e_wait_dialog '^提示$'
e2e_check "Cancel answers the question" e2e_click_box '^提示$' Cancel
sleep 0.5
e2e_check "Cancel keeps the program" kill -0 "$first"
xdotool windowactivate --sync "$main" key alt+F4
e2e_check "the close box asks too" e2e_wait_dialog '^提示$'
e2e_click_box '^提示$' OK || true
status=0
e2e_wait_exit "$first" 20 || status=$?
e2e_expect_eq "OK ends the program with exit code 0" 0 "$status"

# An address that cannot be reached: the network message, then the end, never a hang.
closed_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
e2e_start_program "http://127.0.0.1:$closed_port/app/"
unreachable=$PROGRAM_PID
e2e_check "an unreachable address shows the network message" e2e_wait_dialog '^蓝岸浏览器$' 30
e2e_screenshot spine-unreachable >/dev/null
e2e_click_box '^蓝岸浏览器$' OK || true
status=0
e2e_wait_exit "$unreachable" 20 || status=$?
e2e_expect_eq "the program then ends with exit code 0" 0 "$status"

# A certificate that does not verify: the user is asked; OK loads the page.
e2e_reset
e2e_start_program "$HTTPS_URL/app/index.html"
tls=$PROGRAM_PID
e2e_check "an unverified certificate asks the user" e2e_wait_dialog '^蓝岸浏览器$' 30
e2e_screenshot spine-certificate >/dev/null
e2e_click_box '^蓝岸浏览器$' OK || true
e2e_check "OK loads the page" e2e_wait_event '^load https://' 30
e2e_stop_program "$tls" || true

e2e_finish
