#!/usr/bin/env bash
# A normal user's daily start whose own writes fail: HOME on a small file system that is full, XDG_DATA_HOME a
# file, HOME a folder that does not exist. Each start still opens and binds the page with no box, says once on
# standard error what it could not save (the client log cannot take it there), and keeps what was on disk; once
# there is room again, the next start saves the settings and says nothing of the kind.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [ "$(id -u)" != 0 ] || ! setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  echo "runs as root, to mount the small file system and play a normal user"
  e2e_finish
fi

e2e_setup
e2e_start_display --tray
e2e_start_server

chmod 711 "$E2E_DIR"
home=$E2E_DIR/home-fs
mkdir -p "$home"
mount -t tmpfs -o size=48m,mode=0755 tmpfs "$home"
trap 'umount -l "$home" 2>/dev/null || true; _e2e_cleanup' EXIT
chown nobody:nogroup "$home"
run=$E2E_DIR/user-run
mkdir -m 700 "$run"
chown nobody:nogroup "$run"
address="$SERVER_URL/app/index.html?main=true&case=fullhome"
hive=$home/.config/tesrabrowser/HKCU.reg
failed_line='启动时未能保存，下次启动时重试：'

# Starts the program as the normal user with the given environment (NAME=VALUE ...) on the address.
as_user() {
  E2E_PROGRAM_COUNT=$((E2E_PROGRAM_COUNT + 1))
  E2E_PROGRAM_LOG="$E2E_DIR/program$E2E_PROGRAM_COUNT.log"
  setsid setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH="$PATH" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$run" LC_ALL=C.UTF-8 NO_AT_BRIDGE=1 GDK_BACKEND=x11 \
    DBUS_SESSION_BUS_ADDRESS=disabled: TESRA_MACHINE_HIVE_DIR="$TESRA_MACHINE_HIVE_DIR" "$@" \
    "$TESRA_BUILD/linux/TesraBrowser" "$address" >"$E2E_PROGRAM_LOG" 2>&1 </dev/null &
  PROGRAM_PID=$!
  E2E_GROUPS+=("$PROGRAM_PID")
}

# A start that must open and bind the page with no box; $1 names the case.
expect_page() {
  e2e_check "$1: the page opens" e2e_wait_event '^load .*case=fullhome' 60
  e2e_check "$1: and is bound" e2e_wait_event '^SetTesraBrowserService$' 30
  # The page paints a moment after its script ran.
  sleep 5
  e2e_expect_eq "$1: no box is on the screen" "" "$(e2e_dialogs)"
  e2e_check "$1: the program still runs" kill -0 "$PROGRAM_PID"
}

# The first start sets the address up on the empty file system.
e2e_reset
as_user HOME="$home"
expect_page "first start"
e2e_stop_program "$PROGRAM_PID" || true
e2e_check "the settings are saved" test -f "$hive"
e2e_expect_eq "and nothing failed" 0 "$(grep -c "$failed_line" "$E2E_PROGRAM_LOG" || true)"

# Full.
dd if=/dev/zero of="$home/filler" bs=64k 2>/dev/null || true
e2e_expect_eq "the file system is full" 0 "$(df --output=avail -B1K "$home" | tail -n 1 | tr -d ' ')"
cp "$hive" "$E2E_DIR/hive.before"
e2e_reset
as_user HOME="$home"
expect_page "full home"
e2e_screenshot full-home-page >/dev/null
e2e_stop_program "$PROGRAM_PID" || true
e2e_expect_eq "full home: standard error says once what was not saved" 1 "$(grep -c "$failed_line" "$E2E_PROGRAM_LOG" || true)"
e2e_check "full home: with the real cause" \
  grep -qF "写入注册表文件“$hive”失败：No space left on device" "$E2E_PROGRAM_LOG"
e2e_check "full home: the settings on disk are kept whole" cmp "$hive" "$E2E_DIR/hive.before"
e2e_expect_eq "full home: nothing is set up again" 0 "$(e2e_requests /app/setup/)"

# Room again: the next start saves the settings.
rm -f "$home/filler"
inode=$(stat -c %i "$hive")
e2e_reset
as_user HOME="$home"
expect_page "room again"
e2e_check "room again: the settings are written again" test "$(stat -c %i "$hive")" != "$inode"
e2e_expect_eq "room again: nothing failed" 0 "$(grep -c "$failed_line" "$E2E_PROGRAM_LOG" || true)"
e2e_stop_program "$PROGRAM_PID" || true

# XDG_DATA_HOME is a file: no icon, menu or log, but the page.
printf 'a file\n' >"$home/data-file"
e2e_reset
as_user HOME="$home" XDG_DATA_HOME="$home/data-file"
expect_page "data home a file"
e2e_stop_program "$PROGRAM_PID" || true
e2e_expect_eq "data home a file: standard error says once what failed" 1 "$(grep -c "$failed_line" "$E2E_PROGRAM_LOG" || true)"
e2e_check "data home a file: naming the folder" grep -qF "“$home/data-file/Kestal/TesraBrowser/" "$E2E_PROGRAM_LOG"

# HOME a folder that does not exist: nothing can be saved, the page opens all the same.
e2e_reset
as_user HOME="$E2E_DIR/no-such-home"
expect_page "no home folder"
e2e_screenshot full-home-no-folder >/dev/null
e2e_stop_program "$PROGRAM_PID" || true
e2e_expect_eq "no home folder: standard error says once what failed" 1 "$(grep -c "$failed_line" "$E2E_PROGRAM_LOG" || true)"
e2e_check "no home folder: nothing was made" e2e_not test -e "$E2E_DIR/no-such-home"

e2e_finish
