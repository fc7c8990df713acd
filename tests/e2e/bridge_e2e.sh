#!/usr/bin/env bash
# The page bridge: the facade receives a scripting object whose members answer page script at once; the
# main page gets the client report once per user; frames, pages without the id and late plug-ins are bound;
# a frame of another site gets nothing; Refresh and Close act on the program.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

# Runs the program on a page until the given event is reported, then stops it.
run_page() {  # page-and-query, event regex
  e2e_reset
  e2e_start_program "$SERVER_URL/app/$1"
  e2e_wait_event "$2" 30 >/dev/null || true
}

members='GetCPUInfo(7),GetMemoryInfo("x"),GetOSVersion,VersionInfo,GetInstalledSoft'
e2e_start_program "$SERVER_URL/app/index.html?main=true&auto=$members,Refresh"
program=$PROGRAM_PID
e2e_check "the facade receives the scripting object" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "GetCPUInfo answers the empty text" e2e_wait_event '^call GetCPUInfo ""$'
e2e_check "GetMemoryInfo answers the empty text whatever the mode" e2e_wait_event '^call GetMemoryInfo ""$'
e2e_check "GetOSVersion answers the empty text" e2e_wait_event '^call GetOSVersion ""$'
e2e_check "VersionInfo gives the file version and the build date" \
  e2e_wait_event '^call VersionInfo "1\.0\.0\.[0-9]+,[0-9]{4}-[0-9]{2}-[0-9]{2}"$'
e2e_check "GetInstalledSoft gives the package list" e2e_wait_event '^call GetInstalledSoft "【.+ 版本：.+】(,【.+】)*"$'
e2e_check "the browser version reaches the page as the number 11" e2e_wait_event '^IEVersion 11$'
e2e_check "Refresh reloads the page" e2e_wait_count '^load .*auto=' 2 30
e2e_check "the reloaded page is bound again" e2e_wait_count '^SetTesraBrowserService$' 2 30
sleep 1
report=$(e2e_events | { grep -E '^DoMessage ' || true; } | cut -d' ' -f2 | tr '\n' ' ')
e2e_expect_eq "the main page reports the client once, in order" "CPU Memory OS Software LogClientInfo " "$report"
events=$(e2e_events)
loads=$(grep -c '^load ' <<<"$events" || true)
bindings=$(grep -c '^SetTesraBrowserService$' <<<"$events" || true)
# The timer may find a page that is still loading before its completion tries again: each page still
# receives one scripting object, none goes without it.
e2e_check "each loaded page receives one scripting object" test "$bindings" -eq "$loads"
e2e_check "the CPU text has the processor count" grep -Eq '^DoMessage CPU ".+,[0-9]+,.*"$' <<<"$events"
e2e_check "the OS text names no Windows version" e2e_wait_event '^DoMessage OS "未知 .*"$'
e2e_screenshot bridge-main >/dev/null
e2e_stop_program "$program" || true

# The browser settings of the run: the web view cached into the program's own folder, and after the
# first completed page the user's cache folder and the freshness check are back.
user_hive="$XDG_CONFIG_HOME/tesrabrowser/HKCU.reg"
machine_hive="$TESRA_MACHINE_HIVE_DIR/HKLM.reg"
e2e_check "the web view cached into the program's folder" test -d "$XDG_CACHE_HOME/TesraBrowserCache"
e2e_check "the user's cache folder is back" grep -Fq "\"Cache\"=\"$XDG_CACHE_HOME/TesraBrowser\"" <<<"$(e2e_hive_text "$user_hive")"
e2e_check "the freshness check is automatic again" grep -Fq '"SyncMode5"=dword:00000004' <<<"$(e2e_hive_text "$user_hive")"
e2e_check "the cache is kept" grep -Fq '"Persistent"=dword:00000001' <<<"$(e2e_hive_text "$user_hive")"
e2e_check "pages fetched over SSL may be cached" grep -Fq '"BypassSSLNoCacheCheck"=dword:00000001' <<<"$(e2e_hive_text "$machine_hive")"
e2e_check "tabs stay in the hosting process" grep -Fq '"TabProcGrowth"=dword:00000000' <<<"$(e2e_hive_text "$machine_hive")"

# Close ends the program. The page calls it once its report has come: a timer binding while the page still
# loads lets the page call it before the completed page's report, which the program's end then cuts off.
e2e_reset
e2e_start_program "$SERVER_URL/app/index.html?main=true&auto=Close&autoon=LogClientInfo"
program=$PROGRAM_PID
status=0
e2e_wait_exit "$program" 30 || status=$?
e2e_expect_eq "Close ends the program with exit code 0" 0 "$status"
e2e_check "the report came before Close" e2e_wait_event '^DoMessage LogClientInfo ""$'

run_page "test/frames.html" '^right: SetTesraBrowserService$'
sleep 1
e2e_check "the left frame is bound" e2e_wait_event '^left: SetTesraBrowserService$' 5
e2e_check "the right frame is bound" e2e_wait_event '^right: SetTesraBrowserService$' 5
e2e_check "the top document of a frame page is not searched" e2e_no_event '^top: SetTesraBrowserService'
e2e_stop_program || true

run_page "test/noid.html" '^SetTesraBrowserService$'
sleep 1
e2e_check "the first OBJECT element is bound when none has the id" e2e_wait_event '^SetTesraBrowserService$' 5
e2e_check "the second OBJECT element is not" e2e_no_event '^second: SetTesraBrowserService'
e2e_stop_program || true

run_page "test/late.html" '^SetTesraBrowserService$'
events=$(e2e_events)
e2e_check "a plug-in that appears late is bound by the timer" grep -q '^SetTesraBrowserService' <<<"$(sed -n '/^plugin added/,$p' <<<"$events")"
e2e_stop_program || true

run_page "test/foreign.html?other=$OTHER_URL" '^foreign: load '
sleep 2
e2e_check "a frame of another site gets no scripting object" e2e_no_event '^foreign: SetTesraBrowserService'
e2e_stop_program || true

run_page "test/goto.html?to=$OTHER_URL/app/test/plugin.html%3Fname%3Dother" '^other: load '
sleep 2
e2e_check "a page of another site that the application leads to gets no scripting object" \
  e2e_no_event '^other: SetTesraBrowserService'
e2e_stop_program || true

# A normal user, who may not change the machine's settings, gets the same version and software list.
if [ "$(id -u)" = 0 ] && setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  user_home=$(mktemp -d /tmp/tesra-user.XXXXXX)
  chmod 755 "$user_home"
  mkdir -p "$user_home/run"
  chown -R nobody:nogroup "$user_home"
  chmod 700 "$user_home/run"
  e2e_reset
  setsid setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$user_home" XDG_RUNTIME_DIR="$user_home/run" LC_ALL=C.UTF-8 \
    TESRA_MACHINE_HIVE_DIR="$TESRA_MACHINE_HIVE_DIR" \
    "$TESRA_BUILD/linux/TesraBrowser" "$SERVER_URL/app/index.html?auto=VersionInfo,GetInstalledSoft" \
    >"$E2E_DIR/normal-user.log" 2>&1 </dev/null &
  normal=$!
  E2E_GROUPS+=("$normal")
  e2e_check "a normal user's program is bound" e2e_wait_event '^SetTesraBrowserService$' 30
  e2e_check "a normal user gets the version" \
    e2e_wait_event '^call VersionInfo "1\.0\.0\.[0-9]+,[0-9]{4}-[0-9]{2}-[0-9]{2}"$'
  e2e_check "a normal user gets the package list" e2e_wait_event '^call GetInstalledSoft "【.+ 版本：.+】(,【.+】)*"$'
  e2e_check "the machine's settings were not changed by the normal user" \
    test "$(stat -c %U "$TESRA_MACHINE_HIVE_DIR/HKLM.reg")" = root
  e2e_stop_program "$normal" || true
  rm -rf "$user_home"
fi

e2e_finish
