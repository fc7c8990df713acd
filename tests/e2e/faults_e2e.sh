#!/usr/bin/env bash
# Starts under faults lose nothing and stay usable: a normal user with a broken machine hive in a read-only
# machine folder, a hand-broken line in the user's hive, a read-only settings folder, a read-only desktop, a
# full settings file system (the page still opens), a client log cut off in an entry, a setup file over the
# size limit and the program's own file replaced while it runs.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server
PLAIN_URL=$SERVER_URL

# The client log below a home, as UTF-8.
log_text() {
  local log="$1/.local/share/Kestal/TesraBrowser/Log/tesra.elf"
  [ -f "$log" ] && iconv -f GBK -t UTF-8 "$log" || true
}

# Whether the log parses as XML once its root element is closed.
log_parses() {
  local log="$1/.local/share/Kestal/TesraBrowser/Log/tesra.elf"
  { cat "$log"; printf '</Logs>\r\n'; } >"$E2E_DIR/closed.xml"
  xmllint --noout "$E2E_DIR/closed.xml"
}

# The visible dialog windows' names, one per line.
dialogs() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    [[ "$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null)" == *_NET_WM_WINDOW_TYPE_DIALOG* ]] && xdotool getwindowname "$id"
  done
  return 0
}

# ---- As a normal user ----------------------------------------------------------------------------------
if [ "$(id -u)" = 0 ] && setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  user_home=$(mktemp -d /tmp/tesra-faults.XXXXXX)
  chmod 755 "$user_home"
  mkdir -p "$user_home/run" "$user_home/Desktop"
  chown -R nobody:nogroup "$user_home"
  chmod 700 "$user_home/run"
  # The machine folder belongs to root; its hive has one hand-broken line between good ones.
  machine=$(mktemp -d /tmp/tesra-machine.XXXXXX)
  chmod 755 "$machine"
  printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings]' \
    '"BypassSSLNoCacheCheck"=dword:00000001' '"Proxy"="C:\Temp"' '"After"=dword:00000002' '' >"$machine/HKLM.reg"
  cp "$machine/HKLM.reg" "$E2E_DIR/HKLM.before"
  as_user() {
    setsid setpriv --reuid=nobody --regid=nogroup --clear-groups \
      env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$user_home" XDG_RUNTIME_DIR="$user_home/run" LC_ALL=C.UTF-8 \
      NO_AT_BRIDGE=1 GDK_BACKEND=x11 TESRA_MACHINE_HIVE_DIR="$machine" \
      "$TESRA_BUILD/linux/TesraBrowser" "$@" >>"$E2E_DIR/normal-user.log" 2>&1 </dev/null &
    PROGRAM_PID=$!
    E2E_GROUPS+=("$PROGRAM_PID")
  }

  # A broken machine hive that the user may not mend: what reads is read, the start goes on.
  e2e_reset
  first="$PLAIN_URL/app/index.html?main=true&case=machine"
  as_user "$first"
  e2e_check "a normal user with a broken machine hive starts" e2e_wait_event '^load .*case=machine&__MAC=' 40
  e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
  e2e_expect_eq "no box is on the screen" "" "$(dialogs)"
  e2e_expect_eq "the setup ran" 2 "$(e2e_requests /app/setup/)"
  e2e_check "the machine hive's bad line is in the client log" \
    grep -qF "注册表文件“$machine/HKLM.reg”有 1 处无法读取（第 5 行" <<<"$(log_text "$user_home")"
  e2e_check "the log says the file was left alone" grep -qF '文件未作改动' <<<"$(log_text "$user_home")"
  e2e_check "the machine hive is unchanged" cmp "$machine/HKLM.reg" "$E2E_DIR/HKLM.before"
  e2e_expect_eq "and has no copy beside it" "HKLM.reg" "$(ls "$machine")"
  e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 20
  # The page paints a moment after its script ran.
  sleep 3
  e2e_screenshot faults-normal-user >/dev/null
  e2e_stop_program "$PROGRAM_PID" || true

  # A settings folder the user may not write: a set-up address still starts, by the quick path.
  settings="$user_home/.config/tesrabrowser"
  e2e_check "the first start saved the settings" test -f "$settings/HKCU.reg"
  cp "$settings/HKCU.reg" "$E2E_DIR/HKCU.before"
  chmod a-w "$settings" "$settings/HKCU.reg"
  e2e_reset
  as_user "$first"
  e2e_check "a read-only settings folder still starts a set-up address" e2e_wait_event '^load .*case=machine&__MAC=' 40
  e2e_expect_eq "by the quick path" 0 "$(e2e_requests /app/setup/)"
  e2e_expect_eq "with no box" "" "$(dialogs)"
  e2e_check "the settings are unchanged" cmp "$settings/HKCU.reg" "$E2E_DIR/HKCU.before"
  e2e_check "the refused write is in the client log" \
    grep -qF '创建注册表项“HKEY_CURRENT_USER\Software\Kestal\Tesra”失败：拒绝访问' <<<"$(log_text "$user_home")"
  e2e_stop_program "$PROGRAM_PID" || true
  chmod u+w "$settings" "$settings/HKCU.reg"

  # A desktop the user may not write: the setup completes without the shortcut, and says why.
  rm -f "$user_home/Desktop"/*
  chmod 555 "$user_home/Desktop"
  e2e_reset
  second="$PLAIN_URL/app/test/plugin.html?case=desktop"
  as_user "$second"
  e2e_check "a read-only desktop does not stop the start" e2e_wait_event '^load .*case=desktop' 40
  e2e_expect_eq "with no box" "" "$(dialogs)"
  e2e_expect_eq "the desktop stays empty" "" "$(ls -A "$user_home/Desktop")"
  e2e_check "the cause is in the client log" \
    grep -qF "桌面快捷方式未能保存：写入文件“$user_home/Desktop/蓝岸浏览器Demo.desktop”失败：Permission denied" \
    <<<"$(log_text "$user_home")"
  e2e_stop_program "$PROGRAM_PID" || true
  e2e_reset
  as_user "$second"
  e2e_check "the next start opens the page" e2e_wait_event '^load .*case=desktop' 40
  e2e_expect_eq "and the setup is not repeated" 0 "$(e2e_requests /app/test/setup/)"
  e2e_stop_program "$PROGRAM_PID" || true
  chmod 755 "$user_home/Desktop"
  rm -rf "$user_home" "$machine"
else
  e2e_note "not root or no setpriv: the normal-user cases are skipped"
fi

# ---- A hand-broken line in the user's hive keeps every other value -----------------------------------------
hive="$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg"
address="$PLAIN_URL/app/index.html?main=true&case=hand"
e2e_reset
e2e_start_program "$address"
e2e_check "a first start sets the address up" e2e_wait_event '^load .*case=hand&__MAC=' 40
e2e_stop_program "$PROGRAM_PID" || true
# An unescaped backslash in a key of its own, before the setup record.
awk '/^\[HKEY_CURRENT_USER\\Software\\Kestal\]/ { print "[HKEY_CURRENT_USER\\Software\\Edited]"; print "\"Path\"=\"C:\\Temp\""; print "" } { print }' \
  <(e2e_hive_text "$hive") >"$E2E_DIR/hand.reg"
cp "$E2E_DIR/hand.reg" "$hive"
e2e_reset
e2e_start_program "$address"
e2e_check "the page opens" e2e_wait_event '^load .*case=hand&__MAC=' 40
e2e_expect_eq "the setup record still reads: nothing is fetched" 0 "$(e2e_requests /app/setup/)"
e2e_check "the bad line is in the client log" grep -qF '无效的转义“\T”' <<<"$(log_text "$HOME")"
copy=$(find "$XDG_CONFIG_HOME/tesrabrowser" -name 'HKCU.reg.broken-*' | head -n 1)
e2e_check "the original is kept beside the hive" cmp "$copy" "$E2E_DIR/hand.reg"
e2e_check "the hive keeps the record" grep -qF "\"$(e2e_url_key "$address")\"=\"$address\"" <<<"$(e2e_hive_text "$hive")"
e2e_check "and the key of the bad line" grep -qF '[HKEY_CURRENT_USER\Software\Edited]' <<<"$(e2e_hive_text "$hive")"
e2e_stop_program "$PROGRAM_PID" || true

# ---- A client log cut off in an entry is mended on the next append ----------------------------------------
log="$XDG_DATA_HOME/Kestal/TesraBrowser/Log/tesra.elf"
half='<Log Time="2026-01-01 00:00:00" ClientVersion="TesraBrowser 1.0.0.41" Host="H" IPAddress="1.2.3.4" Log="cut he'
printf '%s' "$half" >>"$log"
e2e_start_server --no-setup
cut_address="$SERVER_URL/app/test/plugin.html?case=cut"
e2e_start_program "$cut_address"
e2e_check "the page opens" e2e_wait_event '^load .*case=cut' 40
e2e_stop_program "$PROGRAM_PID" || true
e2e_expect_eq "the cut-off tail is kept beside the log" "$half" "$(cat "$log.partial")"
e2e_check "the log parses" log_parses "$HOME"
e2e_check "and holds the new entries" grep -qF 'Log="SSL Error:接收失败，文件不存在"' <<<"$(log_text "$HOME")"
e2e_check "the address shows in each entry" grep -q 'IPAddress="[0-9.]*"' <<<"$(log_text "$HOME")"

# ---- A setup file over the limit is refused; the earlier file stays ------------------------------------------
big="$E2E_DIR/big-setup"
mkdir -p "$big"
head -c $((17 * 1024 * 1024)) /dev/zero >"$big/TesraBrowser.ico"
printf '[System]\r\nIconName=Big\r\n' >"$big/TesraBrowserIni.txt"
e2e_start_server --setup-dir "$big"
big_address="$SERVER_URL/app/index.html?case=big"
big_folder="$XDG_DATA_HOME/Kestal/TesraBrowser/$(e2e_url_key "$big_address")"
mkdir -p "$big_folder"
cp "$TESRA_SOURCE/demo/app/setup/TesraBrowser.ico" "$big_folder/TesraBrowser.ico"
e2e_start_program -install "$big_address"
status=0
e2e_wait_exit "$PROGRAM_PID" 60 || status=$?
e2e_expect_eq "-install ends with exit code 0" 0 "$status"
# An icon has the smaller limit of the two setup files.
e2e_check "the body over the limit is refused with its message" \
  grep -qF 'Log="SSL Error:接收失败，文件大小超过上限 1 MB"' <<<"$(log_text "$HOME")"
e2e_check "the earlier icon stays" cmp "$big_folder/TesraBrowser.ico" "$TESRA_SOURCE/demo/app/setup/TesraBrowser.ico"
e2e_check "the menu file of the same setup arrives" cmp "$big_folder/TesraBrowser.ini" "$big/TesraBrowserIni.txt"
e2e_expect_eq "no temporary file is left" "" "$(find "$big_folder" -name '.*')"

# ---- The program's file replaced while it runs: the copy is of the running program ---------------------------
e2e_start_server --setup-delay 3000
mkdir -p "$E2E_DIR/bin"
cp "$TESRA_BUILD/linux/TesraBrowser" "$E2E_DIR/bin/TesraBrowser"
moved_address="$SERVER_URL/app/test/plugin.html?case=moved"
rm -f "$XDG_DATA_HOME/Kestal/TesraBrowser/TesraBrowser"  # the copy of an earlier setup
TESRA_PROGRAM="$E2E_DIR/bin/TesraBrowser" e2e_start_program "$moved_address"
form=$(e2e_wait_window '^正在安装$' 15 || true)
e2e_check "the progress form shows" test -n "$form"
rm "$E2E_DIR/bin/TesraBrowser"
printf '#!/bin/sh\necho a newer program\n' >"$E2E_DIR/bin/TesraBrowser"
e2e_check "the page opens after the setup" e2e_wait_event '^load .*case=moved' 60
e2e_check "the per-user copy is the running program" \
  cmp "$XDG_DATA_HOME/Kestal/TesraBrowser/TesraBrowser" "$TESRA_BUILD/linux/TesraBrowser"
e2e_stop_program "$PROGRAM_PID" || true

# ---- A full settings file system: the page opens, the log says once what could not be saved, nothing is lost --
if unshare -rm true 2>/dev/null; then
  cp "$hive" "$E2E_DIR/full.before"
  cat >"$E2E_DIR/full.sh" <<EOF
#!/bin/sh
# In a mount namespace of its own: the settings folder on a small file system that is full.
set -e
mkdir -p "$E2E_DIR/config-copy"
cp -a "$XDG_CONFIG_HOME/." "$E2E_DIR/config-copy/"
mount -t tmpfs -o size=256k tmpfs "$XDG_CONFIG_HOME"
cp -a "$E2E_DIR/config-copy/." "$XDG_CONFIG_HOME/"
dd if=/dev/zero of="$XDG_CONFIG_HOME/filler" bs=4k 2>/dev/null || true
set +e
"$TESRA_BUILD/linux/TesraBrowser" "\$@" &
child=\$!
# Stopped with its program: the program ends first, then the settings are compared.
trap 'kill -TERM \$child 2>/dev/null' TERM
wait \$child
wait \$child
if cmp -s "$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg" "$E2E_DIR/full.before"; then echo kept; else echo changed; fi >"$E2E_DIR/full.result"
EOF
  chmod +x "$E2E_DIR/full.sh"
  full_cause="启动时未能保存，下次启动时重试：写入注册表文件“$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg”失败：No space left on device"
  e2e_reset
  TESRA_PROGRAM="unshare" e2e_start_program -rm "$E2E_DIR/full.sh" "$SERVER_URL/app/test/plugin.html?case=full"
  e2e_check "a full settings file system still opens the page" e2e_wait_event '^load .*case=full' 60
  sleep 2
  e2e_screenshot faults-full-disk >/dev/null
  e2e_expect_eq "with no box" "" "$(dialogs)"
  e2e_expect_eq "the log says once what could not be saved" 1 "$(grep -cF "$full_cause" <<<"$(log_text "$HOME")" || true)"
  e2e_stop_program "$PROGRAM_PID" || true
  e2e_expect_eq "the settings that were on disk are kept whole" kept "$(cat "$E2E_DIR/full.result" 2>/dev/null)"
else
  e2e_note "this machine forbids a mount namespace (unshare -rm): the full file system case is skipped"
fi

e2e_finish
