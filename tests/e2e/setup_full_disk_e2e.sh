#!/usr/bin/env bash
# The per-user copy of the program cannot be written during the first setup (the data folder is a small
# file system that the copy fills): a box says so, no shortcut points at a program that is not there, the
# page still opens, and the setup is not recorded; with room again, the next start sets up again and makes
# the copy and the shortcut.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [ "$(id -u)" != 0 ]; then
  echo "runs as root, to mount a small file system"
  e2e_finish
fi

e2e_setup
data="$E2E_DIR/data"
mkdir -p "$data"
# Unmounted before the temporary folder goes, also when the test stops early.
trap 'status=$?; umount -l "$data" 2>/dev/null || true; (exit $status); _e2e_cleanup' EXIT
if ! mount -t tmpfs -o size=2m tmpfs "$data"; then
  e2e_fail "a small file system could not be mounted"
  e2e_finish
fi
export XDG_DATA_HOME="$data"
e2e_start_display
e2e_start_server

app_folder="$data/Kestal/TesraBrowser"
copy="$app_folder/TesraBrowser"
address="$SERVER_URL/app/test/plugin.html?disk=1"
key=$(e2e_url_key "$address")
client_log() { iconv -f GBK -t UTF-8 "$app_folder/Log/tesra.elf" 2>/dev/null || true; }

e2e_start_program "$address"
e2e_check "the failed copy is said in a box" e2e_wait_dialog '^蓝岸浏览器$' 60
e2e_screenshot full-disk-box >/dev/null
e2e_check "the box is answered" e2e_click_box '^蓝岸浏览器$' OK
e2e_check "the page still opens and is bound" e2e_wait_event '^SetTesraBrowserService$' 60
e2e_expect_eq "no shortcut was made" "" "$(ls -A "$HOME/Desktop")"
e2e_check "there is no copy" test ! -e "$copy"
e2e_check "the icon and menu file did arrive" test -s "$app_folder/$key/TesraBrowser.ico" -a -s "$app_folder/$key/TesraBrowser.ini"
e2e_check "the client log has the cause" grep -qF "No space left on device" <<<"$(client_log)"
e2e_wait_event '^IEVersion' 20 >/dev/null || true
sleep 2  # the page painted, as a person would see it
e2e_screenshot full-disk-page >/dev/null
e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
e2e_stop_program || true

# Room again: the setup was not recorded, so this start does it all again.
mount -o remount,size=64m "$data"
e2e_reset
e2e_start_program "$address"
e2e_check "the next start shows the progress form again" e2e_wait_window '^正在安装$' 60
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 60
e2e_check "the copy is the program" cmp "$copy" "$TESRA_BUILD/linux/TesraBrowser"
shortcut=$(find "$HOME/Desktop" -name '*.desktop' | head -n 1)
e2e_check "the shortcut starts the copy" grep -qF "Exec=\"$copy\"" "$shortcut"
e2e_expect_eq "no box is open" "" "$(e2e_dialogs)"
e2e_stop_program || true

e2e_finish
