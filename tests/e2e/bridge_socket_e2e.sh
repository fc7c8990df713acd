#!/usr/bin/env bash
# The page bridge's socket: a process that asks for a reply of more than 1 MB and never reads it does
# not freeze the program (the title, the tray menu and the page's own calls still respond) and is cut
# off after 30 s; a connection from another user (root, while the program runs as a normal user) is
# refused, while the user's own is answered in the same run.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display --tray
e2e_start_server
peer="$TESRA_BUILD/tests/tesra-bridge-peer"

# A package database whose software list is well over 1 MB: 3000 packages with long version texts.
packages="$E2E_DIR/status"
suffix=$(printf 'long-version-text-%.0s' $(seq 1 25))
for i in $(seq 1 3000); do
  printf 'Package: tesra-test-package-%04d\nStatus: install ok installed\nArchitecture: amd64\nVersion: 1.0.%d-%s\n\n' "$i" "$i" "$suffix"
done >"$packages"

# Until the file holds the text.
wait_for_hive_text() {  # text, seconds
  local deadline
  deadline=$(_e2e_deadline "$2")
  until e2e_hive_text "$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg" | grep -qF -- "$1"; do
    _e2e_expired "$deadline" && return 1
    sleep 0.2
  done
}

wait_for_text() {  # file, text, [seconds]
  local deadline
  deadline=$(_e2e_deadline "${3:-}")
  until grep -qF -- "$2" "$1" 2>/dev/null; do
    _e2e_expired "$deadline" && return 1
    sleep 0.2
  done
}

socket_of() {  # runtime folder, pid
  local deadline
  deadline=$(_e2e_deadline 20)
  until [ -S "$1/tesrabrowser/bridge-$2.sock" ]; do
    _e2e_expired "$deadline" && return 1
    sleep 0.1
  done
  echo "$1/tesrabrowser/bridge-$2.sock"
}

# 1. A peer that never reads a large reply.
TESRA_PACKAGE_STATUS=$packages e2e_start_program "$SERVER_URL/app/index.html?delay=6000&title=still-here&auto=VersionInfo"
program=$PROGRAM_PID
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
socket=$(socket_of "$XDG_RUNTIME_DIR" "$program")
"$peer" "$socket" stall >"$E2E_DIR/stall.out" 2>&1 &
stall=$!
E2E_PIDS+=("$stall")
e2e_check "the peer has asked for the software list" wait_for_text "$E2E_DIR/stall.out" sent
e2e_check "the page's own call is answered meanwhile" \
  e2e_wait_event '^call VersionInfo "1\.0\.0\.[0-9]+,[0-9]{4}-[0-9]{2}-[0-9]{2}"$' 20
e2e_check "the window title follows the page meanwhile" e2e_wait_window '^still-here$' 10
# The tray menu: 设置 > 关闭时隐藏到系统托盘 is written to the user's settings at once.
tray=$(xdotool search --onlyvisible --class '^trayer$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
open_tray_menu() {
  xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" click 3
  sleep 1
}
open_tray_menu
e2e_screenshot bridge-socket-stalled-tray-menu >/dev/null
xdotool key Up Up Right Return
e2e_check "the tray menu answers meanwhile" \
  wait_for_hive_text '"IsCloseToTrayIcon"' 10
e2e_check "the stuck peer is still connected" e2e_not grep -q "took nothing of a reply" "$E2E_PROGRAM_LOG"
e2e_check "the stuck peer is cut off after 30 s" \
  wait_for_text "$E2E_PROGRAM_LOG" "took nothing of a reply for 30 s" 45
open_tray_menu
xdotool key Up Return
status=0
e2e_wait_exit "$program" 20 || status=$?
e2e_expect_eq "the tray menu's 退出 still ends the program" 0 "$status"
kill "$stall" 2>/dev/null || true

# 2. The program as a normal user: the user's own peer is answered, root's is refused.
if [ "$(id -u)" = 0 ] && setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  chmod 711 "$E2E_DIR"
  user_home="$E2E_DIR/user"
  mkdir -p "$user_home/run"
  chown -R nobody:nogroup "$user_home"
  chmod 700 "$user_home/run"
  as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  e2e_reset
  setsid setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$user_home" XDG_RUNTIME_DIR="$user_home/run" LC_ALL=C.UTF-8 \
    TESRA_MACHINE_HIVE_DIR="$TESRA_MACHINE_HIVE_DIR" \
    "$TESRA_BUILD/linux/TesraBrowser" "$SERVER_URL/app/index.html" >"$E2E_DIR/normal-user.log" 2>&1 </dev/null &
  normal=$!
  E2E_GROUPS+=("$normal")
  e2e_check "the normal user's program is bound" e2e_wait_event '^SetTesraBrowserService$' 30
  socket=$(socket_of "$user_home/run" "$normal")
  mine=$(as_user "$peer" "$socket" ask 2>&1 || true)
  e2e_check "the user's own process is answered ($mine)" grep -Eq '^answered 1\.0\.0\.' <<<"$mine"
  theirs=$("$peer" "$socket" ask 2>&1 || true)
  e2e_expect_eq "root's connection is refused" closed "$theirs"
  e2e_check "the log names the refused user" grep -q 'refused a connection of user 0' "$E2E_DIR/normal-user.log"
  e2e_check "the program still runs" kill -0 "$normal"
  e2e_stop_program "$normal" || true
fi

e2e_finish
