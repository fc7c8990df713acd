#!/usr/bin/env bash
# The Debian package as a user meets it: an older build installed from its file without downloading
# anything, its program run by a normal user against the local server (the page is bound, the address is
# set up), the package upgraded under the running program, the desktop shortcut's older per-user copy
# handing over to the newer program, which refreshes it, the application entry started as the desktop starts it (the address dialog, the history kept
# in the user's application folder and shared with the per-user copy), then remove and purge, which
# leave none of the package's files behind. The packages come from build_packages.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

# ctest counts exit code 77 as skipped.
skip() {
  echo "SKIP: $*"
  E2E_SUMMARY=0
  exit 77
}

[ "$(id -u)" = 0 ] || skip "installing a package needs root"
setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null || skip "no normal user to run the program as"

e2e_setup
packages="$TESRA_BUILD/test-packages.txt"
[ -f "$packages" ] || { e2e_fail "no packages: build_packages.sh did not run"; e2e_finish; }
new=$(sed -n 1p "$packages")
older=$(sed -n 2p "$packages")
version=$(dpkg-deb --field "$new" Version)
older_version=$(dpkg-deb --field "$older" Version)

# One run of this test at a time on the machine; a package that someone else installed is left alone.
exec 9>/tmp/tesrabrowser-package-e2e.lock
flock -w 900 9 || skip "another run of this test holds the machine"
package_state() { dpkg-query -W -f='${db:Status-Status}' tesrabrowser 2>/dev/null || true; }
# Set while this test has the package on the machine: a run that was killed left it behind.
ours=/var/tmp/tesrabrowser-package-e2e.installed
if [ -e "$ours" ]; then
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=600 tesrabrowser >/dev/null 2>&1 || true
  rm -f "$ours"
fi
case "$(package_state)" in
  "" | not-installed) ;;
  *) skip "tesrabrowser is installed on this machine ($(package_state)); the test does not touch it" ;;
esac
touch "$ours"

# The machine's settings folder belongs to the package, and purge removes it: one that is there already
# is set aside for the test and put back afterwards.
machine_folder=/var/lib/tesrabrowser
if [ -e "$machine_folder" ]; then
  mv "$machine_folder" "$E2E_DIR/machine-folder-before"
fi
package_cleanup() {
  _e2e_stop_all
  if [ -n "$(package_state)" ] && [ "$(package_state)" != not-installed ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=600 tesrabrowser >/dev/null 2>&1 ||
      dpkg --purge tesrabrowser >/dev/null 2>&1 || true
  fi
  [ "$(package_state)" != "" ] && [ "$(package_state)" != not-installed ] || rm -f "$ours"
  if [ -e "$E2E_DIR/machine-folder-before" ]; then
    rm -rf "$machine_folder"
    mv "$E2E_DIR/machine-folder-before" "$machine_folder"
  fi
  [ -z "${user_home:-}" ] || rm -rf "$user_home"
}
trap 'status=$?; package_cleanup; (exit $status); _e2e_cleanup' EXIT

# Installs and purges through apt from the local file only: with no package sources apt knows no package
# it could download, so a missing dependency is an error. The lock timeout waits for another apt or dpkg.
apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends \
    -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=/dev/null \
    "$@" >>"$E2E_DIR/apt.log" 2>&1 || { tail -n 20 "$E2E_DIR/apt.log" >&2; return 1; }
}

e2e_start_display
e2e_start_server

# ---- A normal user: a home, a runtime folder and a session bus of their own --------------------------------
user_home=$(mktemp -d /tmp/tesra-package-user.XXXXXX)
chmod 755 "$user_home"
mkdir -p "$user_home/run" "$user_home/Desktop" "$user_home/.config"
# shellcheck disable=SC2016
echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$user_home/.config/user-dirs.dirs"
chown -R nobody:nogroup "$user_home"
chmod 700 "$user_home/run"
user_env=(env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$user_home" XDG_RUNTIME_DIR="$user_home/run"
  LANG=C.UTF-8 LC_ALL=C.UTF-8 NO_AT_BRIDGE=1 GDK_BACKEND=x11 no_proxy='*' NO_PROXY='*'
  DBUS_SESSION_BUS_ADDRESS="unix:path=$user_home/run/bus" TESRA_MACHINE_HIVE_DIR="$TESRA_MACHINE_HIVE_DIR")
as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${user_env[@]}")
"${as_user[@]}" dbus-daemon --session --address="unix:path=$user_home/run/bus" --nofork --nopidfile \
  >"$E2E_DIR/user-bus.log" 2>&1 &
E2E_PIDS+=("$!")
_e2e_wait_until "$(_e2e_deadline 5)" "the user's session bus" test -S "$user_home/run/bus"

# Starts a command as the user in a process group of its own: PROGRAM_PID.
start_as_user() { TESRA_PROGRAM=${as_user[0]} e2e_start_program "${as_user[@]:1}" "$@"; }

# The ids of the processes that run this program file ("… (deleted)" once it was replaced).
pids_of() {
  local proc exe
  for proc in /proc/[0-9]*; do
    exe=$(readlink "$proc/exe" 2>/dev/null) || continue
    [ "$exe" = "$1" ] || [ "$exe" = "$1 (deleted)" ] && echo "${proc#/proc/}"
  done
  return 0
}

stop_all_of() {
  local pid
  for pid in $(pids_of "$1"); do e2e_stop_program "$pid" || true; done
}

# The text as an extended regular expression that matches it literally.
literal() { sed 's/[][\.*^$?+(){}|]/\\&/g' <<<"$1"; }

program=/usr/bin/TesraBrowser
entry=/usr/share/applications/com.kestal.TesraBrowser.desktop
app_folder="$user_home/.local/share/Kestal/TesraBrowser"
copy="$app_folder/TesraBrowser"
history="$app_folder/Browser.CFG"

# ---- The older build, installed from its file ---------------------------------------------------------------
e2e_check "the older package installs from its file without downloading" apt_get install "$older"
e2e_expect_eq "the older version is installed" "$older_version" "$(dpkg-query -W -f='${Version}' tesrabrowser)"

address="$SERVER_URL/app/index.html?auto=VersionInfo"
start_as_user "$program" "$address"
running=$PROGRAM_PID
e2e_check "the installed program, run by a normal user, binds the page" e2e_wait_event '^SetTesraBrowserService$' 60
e2e_check "the page gets the older version" e2e_wait_event "^call VersionInfo \"$(literal "$older_version"),"
e2e_expect_eq "the new address fetches the icon and the menu file" 2 "$(e2e_requests /app/setup/)"
e2e_check "the address was set up: the per-user copy" cmp "$copy" "$program"
shortcut="$user_home/Desktop/蓝岸浏览器Demo.desktop"
e2e_check "the address was set up: the desktop shortcut" test -f "$shortcut"
e2e_check "the shortcut starts the per-user copy" grep -qF "Exec=\"$copy\" " "$shortcut"
e2e_check "the shortcut's icon is the downloaded one" grep -qx "Icon=$app_folder/[0-9]*/TesraBrowser\.ico" "$shortcut"
e2e_check "desktop-file-validate accepts the shortcut" desktop-file-validate "$shortcut"

# ---- The upgrade, while the older program runs ------------------------------------------------------------
e2e_check "the package upgrades over the older build" apt_get install "$new"
e2e_expect_eq "the new version is installed" "$version" "$(dpkg-query -W -f='${Version}' tesrabrowser)"
e2e_check "the older program still runs after the upgrade" _e2e_alive "$running"
e2e_check "its window is still there" test -n "$(xdotool search --onlyvisible --pid "$running" 2>/dev/null || true)"
e2e_screenshot package-after-upgrade >/dev/null
e2e_stop_program "$running" || true
stop_all_of "$program"

# ---- The desktop shortcut after the upgrade: the older per-user copy hands over and is refreshed -----------
e2e_reset
start_as_user gio launch "$shortcut"
e2e_check "the shortcut opens the page" e2e_wait_event '^SetTesraBrowserService$' 60
e2e_check "the page gets the new version" e2e_wait_event "^call VersionInfo \"$(literal "$version"),"
e2e_expect_eq "the set-up address fetches nothing" 0 "$(e2e_requests /app/setup/)"
e2e_expect_eq "the installed program runs in the copy's place" 1 "$(pids_of "$program" | wc -l)"
e2e_expect_eq "the older copy does not run" 0 "$(pids_of "$copy" | wc -l)"
e2e_check "the per-user copy is refreshed" cmp "$copy" "$program"
stop_all_of "$program"
e2e_stop_program "$PROGRAM_PID" || true

# ---- The application entry, as the desktop starts it: the address dialog --------------------------------
e2e_reset
typed="${SERVER_URL#http://}/app/test/plugin.html?from=entry"
start_as_user gio launch "$entry"
dialog=$(e2e_wait_dialog '^请输入地址$' 60 || true)
e2e_check "the entry opens the address dialog" test -n "$dialog"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
if [ -n "$dialog" ]; then
  e2e_check "the dialog's window class is the entry's StartupWMClass" \
    grep -qF "= \"$wm_class\", \"$wm_class\"" <<<"$(xprop -id "$dialog" WM_CLASS)"
  xdotool windowactivate --sync "$dialog"
  xdotool type --delay 20 "$typed"
  e2e_screenshot package-dialog >/dev/null
  xdotool key Return
fi
e2e_check "the confirmed address opens" e2e_wait_event "^load $(literal "http://$typed")&__MAC=" 60
pids=$(pids_of "$program")
e2e_expect_eq "the installed program runs, as the normal user" nobody \
  "$(ps -o user= -p "$(paste -sd, <<<"${pids:-0}")" 2>/dev/null | tr -d ' ' | sort -u)"
main_window=$(xdotool search --onlyvisible --name '^蓝岸演示' 2>/dev/null | head -n 1 || true)
e2e_check "the main window's class is the entry's StartupWMClass too" \
  grep -qF "= \"$wm_class\", \"$wm_class\"" <<<"$(xprop -id "${main_window:-0}" WM_CLASS 2>/dev/null)"
e2e_check "no box is open" e2e_not e2e_wait_dialog '.' 1
e2e_screenshot package-entry >/dev/null
e2e_check "the history is kept in the user's application folder" cmp "$history" <(printf '%s\r\n' "$typed")
e2e_check "nothing is written beside the installed program" test ! -e /usr/bin/Browser.CFG
e2e_stop_program "$PROGRAM_PID" || true
stop_all_of "$program"

# The per-user copy reads the same history: its dialog offers the address first.
e2e_reset
start_as_user "$copy"
dialog=$(e2e_wait_dialog '^请输入地址$' 60 || true)
[ -n "$dialog" ] && xdotool windowactivate --sync "$dialog" key Return
e2e_check "the per-user copy's dialog offers the address confirmed in the entry's" \
  e2e_wait_event "^load $(literal "http://$typed")&__MAC=" 60
e2e_stop_program "$PROGRAM_PID" || true
stop_all_of "$copy"

# ---- Remove keeps the machine's settings, purge leaves nothing of the package -----------------------------
files=$(dpkg-query -L tesrabrowser)
# What the program writes into the machine's settings folder when root runs it (the test's own programs
# wrote theirs into TESRA_MACHINE_HIVE_DIR).
echo "Windows Registry Editor Version 5.00" >"$machine_folder/HKLM.reg"
e2e_check "the package removes" apt_get remove tesrabrowser
e2e_check "remove takes the program away" test ! -e "$program"
e2e_check "remove keeps the machine's settings" test -f "$machine_folder/HKLM.reg"
e2e_check "the package purges" apt_get purge tesrabrowser
e2e_expect_eq "dpkg knows the package no more" "" "$(dpkg-query -W -f='${db:Status-Status}' tesrabrowser 2>/dev/null |
  grep -v not-installed || true)"
left=$(while read -r path; do
  [ -n "$path" ] || continue
  # Folders that other packages share (/usr, /usr/share/icons/...) stay; the package's own files go.
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    [ "$path" = "$machine_folder" ] || [ "$path" = /usr/share/doc/tesrabrowser ] && echo "$path"
  elif [ -e "$path" ] || [ -L "$path" ]; then
    echo "$path"
  fi
done <<<"$files")
e2e_expect_eq "purge leaves none of the package's files, nor its machine folder" "" "$left"
e2e_check "the listing had the package's files" grep -qx "$program" <<<"$files"

e2e_finish
