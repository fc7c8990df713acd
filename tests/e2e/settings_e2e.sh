#!/usr/bin/env bash
# Odd values in the user's settings hive where the program reads them on its way to the page (the close-to-tray
# setting, the setup record of the address, the user's cache folder): numbers where text is expected, text and
# other types where a number is expected, empty and very long texts, numbers out of range, bytes that are not
# UTF-8. Each start goes on to the bound page with no box; each value reads as its type says or as absent (the
# close shows which), the client log names a value that could not be read, and the hive afterwards differs
# from the one written here only where the program means to write.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup
e2e_start_display --tray
# The web application's default is to hide to the tray, so that the user's own value shows in each close.
mkdir -p "$E2E_DIR/setup"
cp "$TESRA_SOURCE/demo/app/setup/"* "$E2E_DIR/setup/"
LC_ALL=C sed -i 's/^IsCloseToTrayIcon=0/IsCloseToTrayIcon=1/' "$E2E_DIR/setup/TesraBrowserIni.txt"
e2e_start_server --setup-dir "$E2E_DIR/setup"

settings=$XDG_CONFIG_HOME/tesrabrowser
hive=$settings/HKCU.reg
mkdir -p "$settings"
log_text() {
  local log="$HOME/.local/share/Kestal/TesraBrowser/Log/tesra.elf"
  [ -f "$log" ] && iconv -f GBK -t UTF-8 "$log" || true
}
# The client log's lines since the start of the current case.
LOG_MARK=0
case_log() { log_text | tail -n "+$((LOG_MARK + 1))"; }
# A user's hive: the keys the program writes into, with the case's values. $1: the close-to-tray value line,
# $2: the setup record's line, $3: the cache folder's line, $4: more lines of the program's own section.
write_hive() {
  local more=()
  [ -n "${4:-}" ] && more=("$4")
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]' '"Other"="kept"' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Cache]' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]' "$3" \
    '"Desktop"="/home/someone/Desktop"' '' \
    '[HKEY_CURRENT_USER\Software\Kestal\Tesra\TesraBrowser]' "$1" "${more[@]}" '"Foreign"=hex:01,02,ff' '' \
    '[HKEY_CURRENT_USER\Software\Kestal\Tesra\TesraBrowser\Urls]' '"1"="http://elsewhere.test/"' "$2" '' >"$hive"
}

# The values of a hive file as lines "KEY|NAME|TYPE:DATA" (keys and names in lower case), sorted.
hive_values() {
  /usr/bin/python3 - "$1" <<'EOF'
import sys
raw = open(sys.argv[1], "rb").read()
# The program writes UTF-16LE with a byte-order mark; the cases are written in UTF-8.
text = raw[2:].decode("utf-16-le") if raw[:2] == b"\xff\xfe" else raw.decode("utf-8", "surrogateescape")
text = text.replace("\r\n", "\n")
lines, joined = text.split("\n"), []
for line in lines:
    if joined and joined[-1].endswith("\\") and not joined[-1].startswith("["):
        joined[-1] = joined[-1][:-1] + line.strip()
    else:
        joined.append(line)
key, out = "", []
for line in joined:
    if line.startswith("["):
        key = line[1:-1].lower()
    elif line.startswith('"') or line.startswith("@"):
        name, _, data = line.partition("=") if line.startswith("@") else line[1:].partition('"=')
        name = "@" if line.startswith("@") else name.replace('\\"', '"').replace("\\\\", "\\")
        data = data.replace(" ", "").lower() if not data.startswith('"') else data
        out.append("%s|%s|%s" % (key, name.lower(), data))
print("\n".join(sorted(out)).encode("utf-8", "surrogateescape").decode("utf-8", "replace"))
EOF
}

# Whether every difference between the hives (lines in one only) is a value the program writes: the browser
# settings of each start, the automation server's registration, and $1 (the setup record of a full setup).
only_meant_changes() {
  local meant='hkey_current_user\\software\\microsoft\\windows\\currentversion\\(internet settings\|syncmode5|internet settings\\cache\|persistent|explorer\\user shell folders\|cache)\||hkey_current_user\\software\\classes\\'
  [ -n "$1" ] && meant="$meant|hkey_current_user\\\\software\\\\kestal\\\\tesra\\\\tesrabrowser\\\\urls\\|$1\\|"
  local changed
  changed=$(diff <(hive_values "$E2E_DIR/before.reg") <(hive_values "$hive") | grep -E '^[<>]' | grep -vE "^[<>] ($meant)" || true)
  [ -z "$changed" ] || { echo "unmeant changes:" "$changed"; return 1; }
}

# One start: $1 the case, $2 hide or ask (what closing is to do), $3 setup or quick (which path the start takes),
# $4 the address (the case's own by default).
run_case() {
  local name=$1 close=$2 path=$3 address=${4:-$SERVER_URL/app/index.html?main=true&case=$1} main
  cp "$hive" "$E2E_DIR/before.reg"
  LOG_MARK=$(log_text | wc -l)
  e2e_reset
  e2e_start_program "$address"
  e2e_check "$name: the page is bound" e2e_wait_event '^SetTesraBrowserService$' 40
  main=$(e2e_wait_window '^蓝岸演示$') || true
  e2e_expect_eq "$name: the setup path" "$path" "$([ "$(e2e_requests /app/setup/)" = 0 ] && echo quick || echo setup)"
  sleep 2
  e2e_check "$name: the program still runs" _e2e_alive "$PROGRAM_PID"
  e2e_expect_eq "$name: no box is on the screen" "" "$(e2e_dialogs)"
  e2e_check "$name: the page is on the screen" e2e_wait_window '^蓝岸演示$' 2
  xdotool windowactivate --sync "$main" key Escape
  if [ "$close" = hide ]; then
    e2e_check "$name: closing hides the window to the tray" e2e_wait_state '^蓝岸演示$' Withdrawn 10
    e2e_expect_eq "$name: without a question" "" "$(e2e_dialogs)"
  else
    e2e_check "$name: closing asks first" e2e_click_box '^提示$' Cancel 10
    e2e_check "$name: the window stays after Cancel" e2e_wait_window '^蓝岸演示$' 5
  fi
  e2e_check "$name: the program runs on" _e2e_alive "$PROGRAM_PID"
  e2e_stop_program "$PROGRAM_PID" || true
}

value_of() { grep -F "$1" <<<"$(hive_values "$hive")" || true; }
key_of() { e2e_url_key "$SERVER_URL/app/index.html?main=true&case=$1"; }
unread() { grep -cF "设置无法读取，按未设置处理：读取$1" <<<"$(case_log)" || true; }
shell_folders='注册表项“HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders”的值“Cache”'
own_cache="\"$XDG_CACHE_HOME/TesraBrowserCache\""

# Numbers where text is expected; a DWORD 0 as the user's own choice over the application's default.
numbers=$(key_of numbers)
write_hive '"IsCloseToTrayIcon"=dword:00000000' "\"$numbers\"=dword:00000005" '"Cache"=dword:00000007'
run_case numbers ask setup
e2e_check "numbers: only meant changes" only_meant_changes "$numbers"
e2e_expect_eq "numbers: the DWORD setting is kept" "dword:00000000" "$(value_of '|isclosetotrayicon|' | cut -d'|' -f3)"
e2e_expect_eq "numbers: the record is written anew" "\"$SERVER_URL/app/index.html?main=true&case=numbers\"" \
  "$(value_of "\\urls|$numbers|" | cut -d'|' -f3)"
e2e_expect_eq "numbers: a cache folder that was no text is not given back" "$own_cache" "$(value_of '|cache|' | cut -d'|' -f3)"
e2e_expect_eq "numbers: the log names the record" 1 "$(unread "注册表项“HKEY_CURRENT_USER\\Software\\Kestal\\Tesra\\TesraBrowser\\Urls”的值“$numbers”")"
e2e_expect_eq "numbers: the log names the cache folder" 1 "$(unread "$shell_folders")"
e2e_expect_eq "numbers: a DWORD setting is read, not logged" 0 "$(unread '设置“TesraBrowser\IsCloseToTrayIcon”')"
e2e_screenshot settings-numbers >/dev/null

# Types that are neither text nor number: the setting counts as absent (the application hides), the record
# as missing, the cache folder as missing.
others=$(key_of others)
write_hive '"IsCloseToTrayIcon"=hex:31,00' "\"$others\"=hex(7):68,00,00,00,00,00" '"Cache"=hex:2f,00,74,00'
run_case others hide setup
e2e_check "others: only meant changes" only_meant_changes "$others"
e2e_expect_eq "others: the binary setting is kept" "hex:31,00" "$(value_of '|isclosetotrayicon|' | cut -d'|' -f3)"
e2e_check "others: the log names the setting" test "$(unread '设置“TesraBrowser\IsCloseToTrayIcon”')" -ge 1
e2e_expect_eq "others: the log names the record" 1 "$(unread "注册表项“HKEY_CURRENT_USER\\Software\\Kestal\\Tesra\\TesraBrowser\\Urls”的值“$others”")"
e2e_expect_eq "others: the log names the cache folder" 1 "$(unread "$shell_folders")"

# Empty texts: the setting and the cache folder are absent, the record is none.
empty=$(key_of empty)
write_hive '"IsCloseToTrayIcon"=""' "\"$empty\"=\"\"" '"Cache"=""'
run_case empty hide setup
e2e_check "empty: only meant changes" only_meant_changes "$empty"
e2e_expect_eq "empty: the empty setting is kept" '""' "$(value_of '|isclosetotrayicon|' | cut -d'|' -f3)"
e2e_expect_eq "empty: an empty cache folder is not given back" "$own_cache" "$(value_of '|cache|' | cut -d'|' -f3)"

# A number out of range is no number: off, over the application's default. A very long cache folder comes
# back whole, a very long value of the program's section stays; the record of an earlier case is this start's
# (its address folder holds the menu file), so it takes the quick path and writes no record.
long_folder="/tmp/$(printf 'd%.0s' $(seq 1 6000))"
long_text=$(printf 'x%.0s' $(seq 1 100000))
write_hive '"IsCloseToTrayIcon"="4294967296"' "\"$numbers\"=\"$SERVER_URL/app/index.html?main=true&case=numbers\"" \
  "\"Cache\"=\"$long_folder\"" "\"Note\"=\"$long_text\""
run_case long ask quick "$SERVER_URL/app/index.html?main=true&case=numbers"
e2e_check "long: only meant changes" only_meant_changes ""
e2e_expect_eq "long: the very long cache folder comes back whole" "\"$long_folder\"" "$(value_of '|cache|' | cut -d'|' -f3)"
e2e_expect_eq "long: the very long value stays" "\"$long_text\"" "$(value_of '|note|' | cut -d'|' -f3)"

# Bytes that are not UTF-8, and a DWORD out of range: those lines cannot be read, so the values are absent
# (the application hides, the setup runs); the hive is mended with the original kept beside it.
broken=$(key_of broken)
write_hive "$(printf '"IsCloseToTrayIcon"="\xff\xfe1"')" "$(printf '"%s"="http://127.0.0.1/\xc3"' "$broken")" \
  '"Cache"=dword:100000000'
cp "$hive" "$E2E_DIR/broken.reg"
run_case broken hide setup
copy=$(find "$settings" -name 'HKCU.reg.broken-*' | head -n 1)
e2e_check "broken: the original is kept beside the hive" cmp "$copy" "$E2E_DIR/broken.reg"
grep -avF -e 'IsCloseToTrayIcon' -e "\"$broken\"=" -e '"Cache"=dword:100000000' "$E2E_DIR/broken.reg" >"$E2E_DIR/before.reg"
e2e_check "broken: only the unreadable lines and meant changes" only_meant_changes "$broken"
e2e_check "broken: the client log names the unreadable lines" grep -qF "注册表文件“$hive”有 3 处无法读取" <<<"$(log_text)"

e2e_finish
