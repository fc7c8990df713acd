#!/usr/bin/env bash
# The tray icon as a StatusNotifierItem, with a watcher and host of the test's own on the private session
# bus and no XEmbed tray: the item registers with the icon, the page title as tooltip and its menu;
# Activate toggles the main window; ContextMenu and SecondaryActivate open its menu; the menu as the host
# reads it (dbusmenu) has the designed lines, the configured groups and the tick of the close-to-tray
# setting, which follows a click; the new-message count blinks the pixmap; a watcher that goes away
# brings the hidden window back minimised, closing then minimises, and a new watcher gets the item
# again; "退出" from the menu ends the program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

mkdir -p "$XDG_CONFIG_HOME/tesrabrowser"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kestal\\Tesra\\TesraBrowser]\n"IsCloseToTrayIcon"="1"\n\n' \
  >"$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg"

source "$here/sni_lib.sh"

start_watcher
e2e_start_program "$SERVER_URL/app/index.html?delay=6000&auto=ShowNewMessageHint(3,%22open%22)"
program=$PROGRAM_PID
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_wait_window '^蓝岸演示$' >/dev/null
line=$(wait_log '^[0-9]+ registered org\.kde\.StatusNotifierItem-' 1) || true
item=${line##* }
e2e_check "the program registers its item with the watcher ($item)" test -n "$item"

pixmap=$(item_get IconPixmap)
e2e_check "the item has an icon pixmap" grep -qE '^\(<\[\([0-9]+, [0-9]+, \[byte 0x' <<<"$pixmap"
e2e_check "the tooltip holds the page title" grep -q "'蓝岸演示'" <<<"$(item_get ToolTip)"
e2e_check "the title is the page title" grep -q "'蓝岸演示'" <<<"$(item_get Title)"
e2e_expect_eq "the menu path" "(<objectpath '/MenuBar'>,)" "$(item_get Menu)"

lines=$(menu_lines)
echo "$lines" >&2
top=$(awk -F'|' '$1 == 0 { printf "%s;", $3 }' <<<"$lines")
e2e_expect_eq "the menu's lines: 显示主窗口, the configured groups between separators, 设置, 退出" \
  "显示主窗口;-;常用功能;联系;-;设置;-;退出;" "$top"
e2e_expect_eq "the groups hold their items" "刷新页面;-;打开帮助;关于 蓝岸;客服电话;在线反馈;" \
  "$(awk -F'|' '$1 == 1 && $3 != "关闭时隐藏到系统托盘" { printf "%s;", $3 }' <<<"$lines")"
e2e_expect_eq "设置 holds the ticked close-to-tray line" "1|关闭时隐藏到系统托盘|1" \
  "$(awk -F'|' '$3 == "关闭时隐藏到系统托盘" { print $1 "|" $3 "|" $4 }' <<<"$lines")"

# Activate is the double click: it hides the window, and shows it again.
item_call Activate >/dev/null
e2e_check "Activate hides the window" e2e_wait_no_window '^蓝岸演示$' 10
item_call Activate >/dev/null
e2e_check "Activate shows the hidden window" e2e_wait_window '^蓝岸演示$' 10

# ContextMenu (and SecondaryActivate) open the program's own menu where the pointer is.
popup_menus() {
  local id n=0
  for id in $(xdotool search --onlyvisible --class TesraBrowser 2>/dev/null || true); do
    [[ "$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null)" == *POPUP_MENU* ]] && n=$((n + 1))
  done
  echo "$n"
}
menu_open() { [ "$(popup_menus)" -ge 1 ]; }
menu_closed() { [ "$(popup_menus)" -eq 0 ]; }
for request in ContextMenu SecondaryActivate; do
  item_call "$request" >/dev/null
  e2e_check "$request opens the tray menu" _e2e_wait_until "$(_e2e_deadline 10)" "the menu" menu_open
  e2e_screenshot "sni-$request" >/dev/null
  xdotool key Escape
  e2e_check "Escape closes it again" _e2e_wait_until "$(_e2e_deadline 10)" "the menu's end" menu_closed
done
e2e_check "the window stays" e2e_wait_window '^蓝岸演示$' 5

# The tick follows a click, and the setting with it: closing now asks.
tick=$(menu_id 关闭时隐藏到系统托盘)
menu_click "$tick"
e2e_check "the host is told of the changed tick" wait_log "ItemsPropertiesUpdated .*\\($tick, \\{[^}]*'toggle-state': <0>" 1 10
e2e_expect_eq "the layout shows the tick off" "0" "$(menu_lines | awk -F'|' '$3 == "关闭时隐藏到系统托盘" { print $4 }')"
main=$(e2e_wait_window '^蓝岸演示$')
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing now asks first" e2e_click_box '^提示$' Cancel 10
e2e_check "the window stays after Cancel" e2e_wait_window '^蓝岸演示$' 5
menu_click "$tick"
e2e_check "the tick is back on" wait_log "ItemsPropertiesUpdated .*\\($tick, \\{[^}]*'toggle-state': <1>" 1 10

# Hidden to the tray, the page's count blinks the icon: the pixmap changes at the blink rate, with the
# badge (blue, its first pixel 0xff 0x00 0x00 0xff in ARGB) every other time.
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing hides the window to the tray" e2e_wait_no_window '^蓝岸演示$' 10
e2e_check "the page reports three new messages" e2e_wait_event '^call ShowNewMessageHint undefined$' 20
before=$(count_log ' signal NewIcon ')
badge=0 plain=0
for _ in $(seq 1 12); do
  if grep -q '\[byte 0xff, 0x00, 0x00, 0xff,' <<<"$(item_get IconPixmap)"; then badge=$((badge + 1)); else plain=$((plain + 1)); fi
  sleep 0.25
done
after=$(count_log ' signal NewIcon ')
e2e_check "NewIcon is signalled while blinking ($((after - before)) in 3 s)" test $((after - before)) -ge 3
e2e_check "the pixmap alternates between the badge and the icon ($badge badge, $plain plain)" test "$badge" -ge 1 -a "$plain" -ge 1
e2e_screenshot sni-hidden >/dev/null

# The watcher goes away while the window is hidden: after a few seconds the window comes back minimised.
kill "$WATCHER_PID"
e2e_check "without a tray the hidden window comes back minimised" e2e_wait_state '^蓝岸演示$' Iconic 15
e2e_check "the program runs on" _e2e_alive "$program"
xdotool windowactivate --sync "$(xdotool search --name '^蓝岸演示$' | head -n 1)" >/dev/null 2>&1 || true
e2e_wait_state '^蓝岸演示$' Normal 10 || true
main=$(e2e_wait_window '^蓝岸演示$')
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing minimises while there is no tray" e2e_wait_state '^蓝岸演示$' Iconic 10
e2e_check "no box is shown" e2e_not e2e_wait_dialog '.' 1

# A new watcher gets the item again; closing hides to the tray again.
registrations=$(count_log ' registered ')
start_watcher
e2e_check "the item registers with the new watcher" wait_log ' registered ' $((registrations + 1)) 15
xdotool windowactivate --sync "$(xdotool search --name '^蓝岸演示$' | head -n 1)" >/dev/null 2>&1 || true
e2e_wait_state '^蓝岸演示$' Normal 10 || true
main=$(e2e_wait_window '^蓝岸演示$')
xdotool windowactivate --sync "$main" key Escape
e2e_check "closing hides to the tray again" e2e_wait_state '^蓝岸演示$' Withdrawn 10
e2e_screenshot sni-back >/dev/null

# The program may end before it answers the click.
menu_click "$(menu_id 退出)" || true
status=0
e2e_wait_exit "$program" 20 || status=$?
e2e_expect_eq "退出 from the host's menu ends the program with exit code 0" 0 "$status"
e2e_check "no GLib warnings from the program" e2e_not grep -E 'CRITICAL|WARNING' "$E2E_PROGRAM_LOG"

e2e_finish
