#!/usr/bin/env bash
# The runtime folder as a normal user without XDG_RUNTIME_DIR: the fallback folder in the temporary
# folder is made for the user alone and used; one that another user made first, a symbolic link, or a
# folder open to everyone is refused: a box names the folder and the reason, the client log says the
# same, the program does not start, and nothing is written into the folder.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [ "$(id -u)" != 0 ] || ! setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  echo "runs as root, to play a normal user and another user"
  e2e_finish
fi

e2e_setup
e2e_start_display
e2e_start_server

user_uid=$(id -u nobody)
# The normal user's temporary folder, inside the test's own folder.
chmod 711 "$E2E_DIR"
tmp_root="$E2E_DIR/tmp"
mkdir -m 1777 "$tmp_root"
fallback="$tmp_root/tesrabrowser-$user_uid"
user_home="$tmp_root/home"
mkdir -p "$user_home"
chown nobody:nogroup "$user_home"

# Starts the program as the normal user, without XDG_RUNTIME_DIR, on the demo page.
start_as_user() {
  e2e_reset
  E2E_PROGRAM_COUNT=$((E2E_PROGRAM_COUNT + 1))
  E2E_PROGRAM_LOG="$E2E_DIR/program$E2E_PROGRAM_COUNT.log"
  setsid setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$user_home" TMPDIR="$tmp_root" LC_ALL=C.UTF-8 \
    TESRA_MACHINE_HIVE_DIR="$TESRA_MACHINE_HIVE_DIR" \
    "$TESRA_BUILD/linux/TesraBrowser" "$SERVER_URL/app/index.html" >"$E2E_PROGRAM_LOG" 2>&1 </dev/null &
  PROGRAM_PID=$!
  E2E_GROUPS+=("$PROGRAM_PID")
}

client_log_has() {
  local log
  log=$(find "$user_home" -name tesra.elf | head -n 1)
  [ -n "$log" ] && grep -qF -- "$1" <<<"$(iconv -f GBK -t UTF-8 "$log")"
}

# A folder that is refused: the box, the log, the end of the program, nothing written.
expect_refused() {  # what, path shown, reason
  local text="运行目录“$2”不能使用：$3"
  start_as_user
  e2e_check "$1: a box says so" e2e_wait_dialog '^蓝岸浏览器$' 20
  e2e_screenshot "runtime-$(tr ' ' - <<<"$1")" >/dev/null
  e2e_check "$1: the box is answered" e2e_click_box '^蓝岸浏览器$' OK
  local status=0
  e2e_wait_exit "$PROGRAM_PID" 10 || status=$?
  e2e_expect_eq "$1: the program does not start" 1 "$status"
  e2e_check "$1: the client log names the folder and the reason" client_log_has "$text"
  e2e_check "$1: no main window was shown" e2e_no_event '^load '
}

# Made by the program for the user alone: used, and the page bridge works from it.
start_as_user
e2e_check "the fallback folder is used: the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_expect_eq "it is the user's, mode 0700" "nobody 700 directory" "$(stat -c '%U %a %F' "$fallback")"
e2e_check "the page bridge's library is in it" compgen -G "$fallback/bridge-*/libtesrabridge.so"
e2e_stop_program || true

# Another user's folder.
rm -rf "$fallback"
mkdir -m 0700 "$fallback"
expect_refused "another user's folder" "$fallback" "它属于另一个用户"
e2e_expect_eq "another user's folder: nothing was written into it" "" "$(ls -A "$fallback")"

# A symbolic link to a folder of the user's own.
rm -rf "$fallback"
target="$tmp_root/elsewhere"
mkdir -m 0700 "$target"
chown nobody:nogroup "$target"
ln -s "$target" "$fallback"
expect_refused "a symbolic link" "$fallback" "它是符号链接"
e2e_expect_eq "a symbolic link: nothing was written where it points" "" "$(ls -A "$target")"

# A folder open to everyone.
rm -rf "$fallback"
mkdir -m 0777 "$fallback"
chmod 0777 "$fallback"
chown nobody:nogroup "$fallback"
expect_refused "a folder open to everyone" "$fallback" "它的权限不是 0700"
e2e_expect_eq "a folder open to everyone: nothing was written into it" "" "$(ls -A "$fallback")"

e2e_finish
