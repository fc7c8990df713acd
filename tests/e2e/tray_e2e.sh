#!/usr/bin/env bash
# The tray: the icon sits in the tray host, its menu opens on a right click, a double click hides and
# shows the window, closing hides the window when the user chose so, the page's new-message count makes
# the hidden window's icon blink with a badge, "显示主窗口" brings the window back and "退出" ends the
# program; a pop-up whose page closes itself goes away.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display --tray
e2e_start_server

# The user has chosen to close to the tray (the settings store is a registry hive of the user).
mkdir -p "$XDG_CONFIG_HOME/tesrabrowser"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kestal\\Tesra\\TesraBrowser]\n"IsCloseToTrayIcon"="1"\n\n' \
  >"$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg"

tray=$(xdotool search --onlyvisible --class '^trayer$' | head -n 1)
# The middle of the tray host, where its one icon sits.
tray_point() {
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
tray_crop() {  # screenshot -> the tray's picture
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  convert "$1" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
}
# The fraction of pure blue pixels in a picture: the badge is a blue square behind a yellow ellipse.
blue_fraction() {
  convert "$1" -fx 'r<0.2 && g<0.2 && b>0.8 ? 1 : 0' -format '%[fx:mean]' info:
}

e2e_start_program "$SERVER_URL/app/index.html?delay=4000&auto=ShowNewMessageHint(3,%22open%22)"
program=$PROGRAM_PID
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
main=$(e2e_wait_window '^蓝岸演示$')
sleep 1
children=$(xwininfo -children -id "$tray" | grep -c '^ *0x' || true)
e2e_check "the tray host holds the program's icon" test "$children" -ge 1
e2e_screenshot tray-icon >/dev/null

# A double click on the icon hides the window and shows it again.
read -r x y < <(tray_point)
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
e2e_check "a double click hides the window" e2e_wait_no_window '^蓝岸演示$' 10
sleep 1  # two double clicks in a row would count as more clicks
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
e2e_check "another double click shows it again" e2e_wait_window '^蓝岸演示$' 10

# Closing hides the window to the tray; the count the page then reports makes the icon blink.
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing hides the window to the tray" e2e_wait_no_window '^蓝岸演示$' 10
e2e_check "no question is asked" e2e_not e2e_wait_dialog '^提示$' 1
e2e_check "the page reports three new messages" e2e_wait_event '^call ShowNewMessageHint undefined$' 20
# Sample until both pictures were seen: screenshots at a fixed pace can fall on the same phase each time.
shots=() badge=0 plain=0
deadline=$(_e2e_deadline 15)
while [ "$badge" -eq 0 ] || [ "$plain" -eq 0 ]; do
  _e2e_expired "$deadline" && break
  shot=$(e2e_screenshot "tray-blink")
  tray_crop "$shot" "$E2E_DIR/tray-blink.png"
  fraction=$(blue_fraction "$E2E_DIR/tray-blink.png")
  shots+=("$fraction")
  if python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) > 0.05 else 1)" "$fraction"; then badge=$((badge + 1)); else plain=$((plain + 1)); fi
  sleep 0.$((RANDOM % 4 + 1))
done
e2e_check "the icon alternates between the badge and the program's icon (blue: ${shots[*]})" test "$badge" -ge 1 -a "$plain" -ge 1

# The tray host goes away while the window is hidden: after a few seconds the window comes back
# minimised and closing minimises; a new tray host takes the icon in again and closing hides again.
kill "$TRAY_PID"
e2e_check "without a tray host the hidden window comes back minimised" e2e_wait_state '^蓝岸演示$' Iconic 15
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
e2e_check "it can be restored" e2e_wait_state '^蓝岸演示$' Normal 15
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing minimises while there is no tray host" e2e_wait_state '^蓝岸演示$' Iconic 15
e2e_start_tray
tray=$(xdotool search --onlyvisible --class '^trayer$' | head -n 1)
icon_back() { [ "$(xwininfo -children -id "$tray" | grep -c '^ *0x' || true)" -ge 1 ]; }
e2e_check "a new tray host gets the icon again" _e2e_wait_until "$(_e2e_deadline 15)" "the icon" icon_back
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
e2e_wait_state '^蓝岸演示$' Normal 15 || true
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing hides to the tray again" e2e_wait_state '^蓝岸演示$' Withdrawn 15
sleep 1
e2e_screenshot tray-back >/dev/null

# The menu opens on a right click; its first line shows the window, its last one ends the program.
read -r x y < <(tray_point)
xdotool mousemove "$x" "$y" click 3
sleep 1
e2e_screenshot tray-menu >/dev/null
xdotool key Down Return
e2e_check "显示主窗口 shows the window" e2e_wait_window '^蓝岸演示$' 10
xdotool mousemove "$x" "$y" click 3
sleep 1
xdotool key Up Return
status=0
e2e_wait_exit "$program" 20 || status=$?
e2e_expect_eq "退出 ends the program with exit code 0" 0 "$status"

# A pop-up whose page closes itself goes away; the main window stays.
e2e_reset
e2e_start_program "$SERVER_URL/app/test/popup.html?open=1&target=closeself.html%3Fafter%3D1500"
e2e_check "the pop-up's page loads" e2e_wait_event '^load .*closeself\.html' 30
e2e_check "the pop-up's page asks to close" e2e_wait_event '^closing$' 20
sleep 1
windows=$(xdotool search --onlyvisible --name '^蓝岸演示 弹出窗口$' | wc -l)
e2e_expect_eq "the pop-up has gone and the main window stays" 1 "$windows"
e2e_stop_program || true

e2e_finish
