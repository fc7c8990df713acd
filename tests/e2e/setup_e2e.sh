#!/usr/bin/env bash
# First start per address: the progress form, the icon and menu file from "/setup/", the per-user copy and a
# desktop shortcut that really starts the copy with the address; the quick path on the next start; "-install";
# a missing setup folder; bad setup resources; the address dialog and its history file "Browser.CFG".
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server --setup-delay 1000
MAIN_URL=$SERVER_URL

# The program runs from a folder of its own: its history file lives next to it, not in the build.
mkdir -p "$E2E_DIR/bin"
cp "$TESRA_BUILD/linux/TesraBrowser" "$E2E_DIR/bin/TesraBrowser"
export TESRA_PROGRAM="$E2E_DIR/bin/TesraBrowser"
history="$E2E_DIR/bin/Browser.CFG"
app_folder="$XDG_DATA_HOME/Kestal/TesraBrowser"
copy="$app_folder/TesraBrowser"
desktop="$HOME/Desktop"

# The ids of the processes that run the per-user copy.
copy_pids() {
  local proc
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/exe" 2>/dev/null)" = "$copy" ] && echo "${proc#/proc/}"
  done
  return 0
}

# The text as an extended regular expression that matches it literally.
literal() { sed 's/[][\.*^$?+(){}|]/\\&/g' <<<"$1"; }

# How many entries of the client log hold the text.
log_count() {
  local log
  log=$(find "$app_folder" -name tesra.elf | head -n 1)
  [ -n "$log" ] || { echo 0; return; }
  grep -c -F -- "$1" <<<"$(iconv -f GBK -t UTF-8 "$log")" || true
}

# The arguments of a process, one per line (none contains a newline here).
arguments_of() { tr '\0' '\n' <"/proc/$1/cmdline"; }

# The HTTP library and its TLS libraries as mapped into a process: loaded for the setup's downloads only.
http_libraries_of() { { grep -oE '/lib(curl|ssl|crypto)\.so[.0-9]*$' "/proc/$1/maps" || true; } | sort -u; }

# Starts a shortcut as the desktop does, through GLib's launcher, in a process group of its own.
launch_shortcut() { TESRA_PROGRAM=$(command -v gio) e2e_start_program launch "$1"; }

# ---- A first start ----------------------------------------------------------------------------------------
address="$MAIN_URL/app/index.html?main=true"
key=$(e2e_url_key "$address")
e2e_start_program "$address"
first=$PROGRAM_PID
form=$(e2e_wait_window '^正在安装$' 15 || true)
e2e_check "a new address shows the progress form" test -n "$form"
if [ -n "$form" ]; then
  size=$(xwininfo -id "$form" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
  e2e_expect_eq "the progress form is 313 x 74" 313x74 "$size"
  e2e_screenshot setup-progress >/dev/null
fi
e2e_check "the page loads after the setup" e2e_wait_event '^load .*/app/index\.html\?main=true&__MAC=' 40
e2e_check "the progress form is gone" e2e_wait_no_window '^正在安装$' 5
e2e_expect_eq "the icon and the menu file come from /app/setup/" 2 "$(e2e_requests /app/setup/)"
e2e_check "the icon is in the address folder" cmp "$app_folder/$key/TesraBrowser.ico" "$TESRA_SOURCE/demo/app/setup/TesraBrowser.ico"
e2e_check "the menu file is in the address folder" cmp "$app_folder/$key/TesraBrowser.ini" "$TESRA_SOURCE/demo/app/setup/TesraBrowserIni.txt"
e2e_check "the program is copied" cmp "$copy" "$TESRA_PROGRAM"
e2e_check "the copy is executable" test -x "$copy"
shortcut="$desktop/蓝岸浏览器Demo.desktop"
e2e_check "the shortcut is named from the menu file" test -f "$shortcut"
e2e_check "the shortcut may be started" test -x "$shortcut"
e2e_check "the shortcut shows the downloaded icon" grep -qxF "Icon=$app_folder/$key/TesraBrowser.ico" "$shortcut"
e2e_check "the setup's downloads loaded the HTTP library" grep -q libcurl <<<"$(http_libraries_of "$first")"
e2e_stop_program "$first" || true

# ---- The shortcut starts the copy with the address; the address is set up: nothing is fetched -------------
e2e_reset
launch_shortcut "$shortcut"
launcher=$PROGRAM_PID
e2e_check "the shortcut opens the address" e2e_wait_event '^load .*/app/index\.html\?main=true&__MAC=' 40
e2e_expect_eq "the second start takes the quick path" 0 "$(e2e_requests /app/setup/)"
pids=$(copy_pids)
e2e_expect_eq "the per-user copy runs" 1 "$(wc -w <<<"$pids")"
[ -n "$pids" ] && e2e_expect_eq "with exactly the address" "$(printf '%s\n' "$copy" "$address")" "$(arguments_of "$pids")"
[ -n "$pids" ] && e2e_expect_eq "a start that downloads nothing maps neither the HTTP nor the TLS libraries" "" \
  "$(http_libraries_of "$pids")"
e2e_check "no second progress form" e2e_not e2e_wait_window '^正在安装$' 1
e2e_stop_program "$launcher" || true
for pid in $pids; do e2e_stop_program "$pid" || true; done

# ---- An address with spaces, quotes and shell characters reaches the copy as one argument ----------------
e2e_reset
odd="$MAIN_URL/app/test/plugin.html?q=a b\"c'd\$(touch PWNED)&r=%41"
e2e_start_program "$odd"
e2e_check "an odd address loads" e2e_wait_event '^load .*/app/test/plugin\.html\?q=a' 40
e2e_stop_program "$PROGRAM_PID" || true
launch_shortcut "$shortcut"
launcher=$PROGRAM_PID
e2e_wait_count '^load .*/app/test/plugin\.html\?q=a' 2 40 || true
pids=$(copy_pids)
# The address in its URI form: the blank and the quote encoded once, "%41" read as the "A" it stands for.
odd_uri="$MAIN_URL/app/test/plugin.html?q=a%20b%22c'd\$(touch%20PWNED)&r=A"
[ -n "$pids" ] && e2e_expect_eq "the shortcut gives the copy the odd address as one argument" \
  "$(printf '%s\n' "$copy" "$odd_uri")" "$(arguments_of "$pids")"
e2e_expect_eq "the odd address was set up once" 2 "$(e2e_requests /app/test/setup/)"
e2e_check "nothing ran from the address" test ! -e "$app_folder/PWNED" -a ! -e "$HOME/PWNED" -a ! -e "$E2E_DIR/bin/PWNED"
e2e_stop_program "$launcher" || true
for pid in $pids; do e2e_stop_program "$pid" || true; done

# ---- "-install": the whole setup again, without a window --------------------------------------------------
e2e_reset
installed="$MAIN_URL/other/index.html"
e2e_start_program -install "$installed"
installer=$PROGRAM_PID
e2e_check "-install shows the progress form" e2e_wait_window '^正在安装$' 15
status=0
e2e_wait_exit "$installer" 30 || status=$?
e2e_expect_eq "-install ends with exit code 0" 0 "$status"
e2e_expect_eq "-install fetches the icon and the menu file" 2 "$(e2e_requests /other/setup/)"
e2e_check "-install opens no page" e2e_no_event '^load '
e2e_check "-install makes the shortcut for its address" grep -qF "$installed" "$shortcut"
e2e_check "-install keeps the files" test -f "$app_folder/$(e2e_url_key "$installed")/TesraBrowser.ini"

# ---- The address dialog and its history file --------------------------------------------------------------
# Esc cancels: nothing starts, nothing is written.
e2e_start_program
asker=$PROGRAM_PID
dialog=$(e2e_wait_dialog '^请输入地址$' || true)
e2e_check "without an address the dialog asks for one" test -n "$dialog"
e2e_screenshot setup-dialog >/dev/null
[ -n "$dialog" ] && xdotool windowactivate --sync "$dialog" key Escape
status=0
e2e_wait_exit "$asker" 10 || status=$?
e2e_expect_eq "Esc ends the program with exit code 0" 0 "$status"
e2e_check "Esc writes no history" test ! -e "$history"

# A typed address without a scheme: it is normalised for the run and kept as typed.
e2e_reset
typed="${MAIN_URL#http://}/app/test/plugin.html?from=dialog"
e2e_start_program
asker=$PROGRAM_PID
dialog=$(e2e_wait_dialog '^请输入地址$' || true)
if [ -n "$dialog" ]; then
  xdotool windowactivate --sync "$dialog"
  xdotool type --delay 20 "$typed"
  xdotool key Return
fi
e2e_check "Enter opens the typed address" e2e_wait_event "^load $(literal "http://$typed")&__MAC=" 40
e2e_check "the history holds the address as typed" cmp "$history" <(printf '%s\r\n' "$typed")
e2e_stop_program "$asker" || true

# Thousands of lines with mixed line ends and repeats: every address stays, once, in CR LF lines.
{
  printf '%s\r\n' "$typed"
  for i in $(seq 1 3000); do
    case $((i % 4)) in
      0) printf 'http://host%d/\r\n' "$i" ;;
      1) printf 'http://host%d/\n' "$i" ;;
      2) printf 'http://host%d/\r' "$i" ;;
      3) printf 'HTTP://HOST%d/\r\n\r\n' "$((i - 1))" ;;
    esac
  done
} >"$history"
expected=$(tr '\r' '\n' <"$history" | awk 'length($0) > 0 && !seen[tolower($0)]++' | sed 's/$/\r/')
e2e_reset
e2e_start_program
running=$PROGRAM_PID
dialog=$(e2e_wait_dialog '^请输入地址$' || true)
[ -n "$dialog" ] && xdotool windowactivate --sync "$dialog" key Return
e2e_check "the first history line is offered and opened" e2e_wait_event "^load $(literal "http://$typed")&__MAC=" 40
e2e_expect_eq "the long history keeps every address once" "$expected" "$(cat "$history")"
e2e_expect_eq "every line ends with CR LF" "$(grep -c $'\r$' "$history")" "$(wc -l <"$history")"

# An address of 4 characters: kept as typed; this copy then finds the first one running.
e2e_start_program
second=$PROGRAM_PID
dialog=$(e2e_wait_dialog '^请输入地址$' || true)
if [ -n "$dialog" ]; then
  xdotool windowactivate --sync "$dialog" key ctrl+a
  xdotool type --delay 20 "abcd"
  xdotool key Return
fi
e2e_check "a second copy says 程序已经运行" e2e_click_box '^提示$' OK
status=0
e2e_wait_exit "$second" 10 || status=$?
e2e_expect_eq "the second copy ends with exit code 0" 0 "$status"
e2e_expect_eq "the short address is first in the history" "abcd" "$(head -n 1 "$history" | tr -d '\r')"
e2e_expect_eq "the address before it follows" "$typed" "$(sed -n 2p "$history" | tr -d '\r')"
e2e_stop_program "$running" || true

# ---- Bad setup resources: an icon that is no icon, a menu file in UTF-8 with garbage and a hostile name ---
bad="$E2E_DIR/bad-setup"
mkdir -p "$bad"
echo "this is not an icon" >"$bad/TesraBrowser.ico"
printf '%s\n' 'garbage without equals' '[System' '=no key' '[System]' 'IconName=../../坏名字' '[MainMenu]' \
  '菜单=甲,乙,"丙' >"$bad/TesraBrowserIni.txt"
e2e_start_server --setup-dir "$bad"
before=$(find "$HOME" -name '*.desktop' | sort)
e2e_start_program "$SERVER_URL/app/test/plugin.html?bad=1"
e2e_check "bad setup resources do not stop the program" e2e_wait_event '^load .*bad=1' 40
e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
e2e_stop_program "$PROGRAM_PID" || true
after=$(find "$HOME" -name '*.desktop' | sort)
new=$(comm -13 <(echo "$before") <(echo "$after"))
e2e_expect_eq "one new shortcut" 1 "$(grep -c . <<<"$new" || true)"
e2e_check "the hostile name stays in the desktop folder" test "$(dirname "$new")" = "$desktop"
e2e_check "its path separators are gone" grep -q '^_\.\._' <<<"$(basename "$new")"

# ---- Menu files in UTF-8 without a mark and in UTF-16 with one: the shortcut's name reads as written ------------
for encoding in utf8 utf16; do
  dir="$E2E_DIR/menu-$encoding"
  mkdir -p "$dir"
  cp "$TESRA_SOURCE/demo/app/setup/TesraBrowser.ico" "$dir/"
  name="蓝岸办公$encoding"
  text=$(printf '[System]\r\nIconName=%s\r\n[MainMenu]\r\n常用=刷新\r\n[Menus]\r\n刷新=refresh\r\n' "$name")
  if [ "$encoding" = utf16 ]; then
    { printf '\xff\xfe'; printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE; } >"$dir/TesraBrowserIni.txt"
  else
    printf '%s' "$text" >"$dir/TesraBrowserIni.txt"
  fi
  e2e_start_server --setup-dir "$dir"
  e2e_start_program "$SERVER_URL/app/test/plugin.html?menu=$encoding"
  e2e_check "$encoding menu: the page opens" e2e_wait_event "^load .*menu=$encoding" 40
  e2e_stop_program "$PROGRAM_PID" || true
  e2e_check "$encoding menu: the shortcut has the menu file's name" grep -qxF "Name=$name" "$desktop/$name.desktop"
done

# ---- No "/setup/" folder: the setup completes without icon and menu ---------------------------------------
e2e_start_server --no-setup
plain="$SERVER_URL/app/test/plugin.html?setup=none"
e2e_start_program "$plain"
e2e_check "a missing setup folder does not stop the program" e2e_wait_event '^load .*setup=none' 40
e2e_stop_program "$PROGRAM_PID" || true
plain_key=$(e2e_url_key "$plain")
e2e_check "no icon and no menu file" test ! -e "$app_folder/$plain_key/TesraBrowser.ico" -a ! -e "$app_folder/$plain_key/TesraBrowser.ini"
e2e_check "the shortcut has the default name and the copy's icon" grep -qxF "Icon=$copy" "$desktop/蓝岸浏览器.desktop"
e2e_expect_eq "both missing files are in the client log" 2 "$(log_count 'Log="SSL Error:接收失败，文件不存在"')"
e2e_reset
e2e_start_program "$plain"
e2e_check "the next start opens the page" e2e_wait_event '^load .*setup=none' 40
e2e_expect_eq "and fetches nothing" 0 "$(e2e_requests /app/test/setup/)"
e2e_stop_program "$PROGRAM_PID" || true

# ---- A server that fails: files of an earlier setup are kept --------------------------------------------------
e2e_start_server --setup-status 500 --setup-jsonmessage "服务器忙"
failing="$SERVER_URL/app/index.html"
failing_folder="$app_folder/$(e2e_url_key "$failing")"
mkdir -p "$failing_folder"
cp "$TESRA_SOURCE/demo/app/setup/TesraBrowser.ico" "$failing_folder/TesraBrowser.ico"
echo "[System]" >"$failing_folder/TesraBrowser.ini"
e2e_start_program -install "$failing"
status=0
e2e_wait_exit "$PROGRAM_PID" 40 || status=$?
e2e_expect_eq "-install against a failing server ends with exit code 0" 0 "$status"
e2e_expect_eq "it asked for both files" 2 "$(e2e_requests /app/setup/)"
e2e_check "the earlier icon is kept" cmp "$failing_folder/TesraBrowser.ico" "$TESRA_SOURCE/demo/app/setup/TesraBrowser.ico"
e2e_expect_eq "the earlier menu file is kept" "[System]" "$(cat "$failing_folder/TesraBrowser.ini")"
e2e_expect_eq "the server's message is in the client log" 2 "$(log_count 'Log="SSL Error:接收失败，服务器返回错误：服务器忙"')"

e2e_finish
