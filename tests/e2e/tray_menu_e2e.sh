#!/usr/bin/env bash
# The web application's configured menu in the real tray menu, read and clicked as a tray host does (the item's
# dbusmenu on the private session bus): its groups stand between the designed lines, and its items run. An item
# with an address of the application opens that page in the main window, which is bound again, and shows the
# hidden window first; an item with an address of another site opens nothing; an item without a command line
# says so in a box, and nothing else happens.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup
e2e_start_display
setup=$E2E_DIR/setup
mkdir -p "$setup"
e2e_start_server --setup-dir "$setup"
# The program fetches the menu file when it starts, after the server has its ports.
printf '%s\r\n' '[System]' 'IsCloseToTrayIcon=1' '[MainMenu]' '站内=本站页面,-,未配置' '站外=外站页面' '[Menus]' \
  "本站页面=$SERVER_URL/app/test/plugin.html?name=menu" "外站页面=$OTHER_URL/app/test/plugin.html?name=foreign" |
  iconv -f UTF-8 -t GBK >"$setup/TesraBrowserIni.txt"

source "$here/sni_lib.sh"
start_watcher
e2e_start_program "$SERVER_URL/app/index.html"
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_wait_window '^蓝岸演示$' >/dev/null
line=$(wait_log '^[0-9]+ registered org\.kde\.StatusNotifierItem-' 1) || true
item=${line##* }
e2e_check "the program registers its item ($item)" test -n "$item"

lines=$(menu_lines)
echo "$lines" >&2
e2e_expect_eq "the configured groups stand between the first two separators" "显示主窗口;-;站内;站外;-;设置;-;退出;" \
  "$(awk -F'|' '$1 == 0 { printf "%s;", $3 }' <<<"$lines")"
e2e_expect_eq "the groups hold their items" "本站页面;-;未配置;外站页面;" \
  "$(awk -F'|' '$1 == 1 && $3 != "关闭时隐藏到系统托盘" { printf "%s;", $3 }' <<<"$lines")"

# Another site's address opens nothing.
menu_click "$(menu_id 外站页面)"
sleep 3
e2e_check "an item with another site's address opens nothing" e2e_no_event '^foreign: '
e2e_expect_eq "nor asks for it" 0 "$(e2e_requests /app/test/plugin.html)"
e2e_check "the application's page stays" e2e_wait_window '^蓝岸演示$' 2
e2e_expect_eq "with no box" "" "$(e2e_dialogs)"

# An item without a command line: a box, and nothing else.
menu_click "$(menu_id 未配置)"
e2e_check "an item without a command line says so in a box" e2e_wait_dialog '^蓝岸演示$' 10
e2e_screenshot tray-menu-box >/dev/null
e2e_check "the box closes with OK" e2e_click_box '^蓝岸演示$' OK 10
e2e_expect_eq "and nothing was opened" 0 "$(e2e_requests /app/test/plugin.html)"

# The application's own address, clicked while the window is hidden in the tray.
item_call Activate >/dev/null
e2e_check "the window hides to the tray" e2e_wait_no_window '^蓝岸演示$' 10
menu_click "$(menu_id 本站页面)"
e2e_check "an item with the application's address opens its page" e2e_wait_event '^menu: load .*/app/test/plugin\.html\?name=menu$' 20
e2e_check "which is bound" e2e_wait_event '^menu: SetTesraBrowserService$' 20
e2e_check "in the main window, shown again" e2e_wait_window '^蓝岸演示 插件页$' 10
sleep 2
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_check "the page is still there" e2e_wait_window '^蓝岸演示 插件页$' 2
e2e_screenshot tray-menu-page >/dev/null

e2e_finish
