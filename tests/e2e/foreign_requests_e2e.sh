#!/usr/bin/env bash
# What a page of another site may ask of the program: it cannot end the program (its own close, also
# while it is still loading, nor a pop-up's opener.close()), print, open windows or save files without
# a user action, nor raise certificate boxes; after it the application's page that comes back from the
# history is bound again and nothing of the other site raises a box. Beside each refusal the same run
# shows the application's own close, print, pop-up and download still working, and every document is
# bound once although the timer and the completed page both try.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server --https

enc() { python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1"; }

# The user's download folder, as xdg-user-dirs names it.
fetched="$HOME/Fetched"
# shellcheck disable=SC2016
echo 'XDG_DOWNLOAD_DIR="$HOME/Fetched"' >>"$XDG_CONFIG_HOME/user-dirs.dirs"
log_file="$XDG_DATA_HOME/Kestal/TesraBrowser/Log/tesra.elf"

hostile() { echo "${HOSTILE_ORIGIN:-$OTHER_URL}/app/test/hostile.html?name=$1$2"; }
counted() { echo "$SERVER_URL/app/test/counted.html?name=app$1"; }

# The main window (or with --popup the pop-up, which stays on top) whose name matches; a pop-up is
# captioned like the main window.
window_of() {  # [--popup] regex
  local popup=0 id state above
  [ "$1" = --popup ] && { popup=1; shift; }
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
    state=$(xprop -id "$id" _NET_WM_STATE 2>/dev/null || true)
    above=0
    [[ "$state" == *_NET_WM_STATE_ABOVE* ]] && above=1
    if [ "$above" = "$popup" ]; then
      echo "$id"
      return 0
    fi
  done
}

# Keys typed into the page of that window.
press() {  # [--popup] window regex, keys...
  local which=() window
  [ "$1" = --popup ] && { which=(--popup); shift; }
  window=$(window_of "${which[@]}" "$1")
  [ -n "$window" ] || { echo "no window $1" >&2; return 1; }
  shift
  xdotool windowactivate --sync "$window" key --clearmodifiers "$@"
}

count() { e2e_events | grep -c -E "$1" || true; }

# The application's own close (key c on the counting page) ends the program.
app_closes_program() {
  local status=0
  press '^蓝岸演示 计数$' c
  e2e_check "the application's page closes itself" e2e_wait_event '^app: closing$' 10
  e2e_wait_exit "$program" 20 || status=$?
  e2e_expect_eq "and the program ends" 0 "$status"
}

# After the page of another site has done its worst: the program runs, no box is open, the page shown
# is the given one.
still_running() {  # pid, title regex, what
  sleep 3
  e2e_check "$3: the program still runs" kill -0 "$1"
  e2e_expect_eq "$3: no box is on the screen" "" "$(e2e_dialogs)"
  e2e_check "$3: the page is still shown" e2e_wait_window "$2" 2
}

# Until the file is there with content (a download in progress is an empty file).
wait_file() {  # path, [seconds]
  local deadline=$((SECONDS + ${2:-20}))
  until [ -s "$1" ]; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

no_dialogs() {
  local deadline=$((SECONDS + 10))
  until [ -z "$(e2e_dialogs)" ]; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

client_log() { iconv -f GBK -t UTF-8 "$log_file" 2>/dev/null || true; }

# 1. Each document bound once: a page shown long before it completes, and a page of two frames.
e2e_reset
e2e_start_program "$(counted '&slow=4000')"
program=$PROGRAM_PID
e2e_check "the slow page is bound while it loads" e2e_wait_event '^app: bind count 1$' 30
e2e_check "the slow page completes" e2e_wait_event '^app: load ' 30
e2e_check "the completed page gets its version" e2e_wait_event '^app: IEVersion ' 10
sleep 3
e2e_expect_eq "the slow page got one hand-over" 1 "$(count '^app: bind count')"
e2e_expect_eq "and one SetTesraBrowserService" 1 "$(count '^app: SetTesraBrowserService$')"
e2e_stop_program "$program" || true

e2e_reset
e2e_start_program "$SERVER_URL/app/test/frames.html?slow=4000"
program=$PROGRAM_PID
e2e_check "the left frame is bound" e2e_wait_event '^left: SetTesraBrowserService$' 30
e2e_check "the right frame is bound" e2e_wait_event '^right: SetTesraBrowserService$' 30
e2e_check "the framed page completes" e2e_wait_event '^load .*/frames.html' 10
sleep 3
e2e_expect_eq "the left frame got one hand-over" 1 "$(count '^left: SetTesraBrowserService$')"
e2e_expect_eq "the right frame got one hand-over" 1 "$(count '^right: SetTesraBrowserService$')"
e2e_stop_program "$program" || true

# 2. Another site's page closes the window while it is still loading (and never finishes), then goes
#    back: the application's page comes back from the page cache, is bound again, and closes itself.
#    The other site is on another host name here (another site to WebKit, so it may run in another web
#    process); everywhere else it is another port of the same host.
e2e_reset
HOSTILE_ORIGIN="http://localhost:${OTHER_URL##*:}"
e2e_start_program "$(counted "&to=$(enc "$(hostile loading '&close=1&never=1&back=5000')")")"
unset HOSTILE_ORIGIN
program=$PROGRAM_PID
e2e_check "the application's page is bound" e2e_wait_event '^app: bind count 1$' 30
press '^蓝岸演示 计数$' n
e2e_check "the loading page of another site closes the window" \
  e2e_wait_event '^loading: closing while loading$' 30
still_running "$program" '^蓝岸演示 外域页面' "a close while loading"
e2e_check "the other site goes back" e2e_wait_event '^loading: going back$' 20
e2e_check "the application's page comes back from the page cache" \
  e2e_wait_event '^app: pageshow persisted=true$' 20
e2e_check "the page that came back is bound again" e2e_wait_event '^app: bind count 2$' 20
still_running "$program" '^蓝岸演示 计数' "back in the application"
e2e_check "the other site's version setter never ran" e2e_no_event '^loading: version set'
e2e_expect_eq "the page that came back is bound once" 1 "$(count '^app: bind count 2$')"
e2e_screenshot foreign-back >/dev/null
app_closes_program

# 3. A pop-up of another site closes its opener and sends it, twice, to a page of another site that
#    prints, opens windows and saves a file without a user action, then goes back. Afterwards the pop-up
#    gets a window and a file by keys, and the application prints, saves and closes.
e2e_reset
mkdir -p "$fetched"
echo "kept" >"$fetched/report.txt"
bounce=$(hostile bounce '&print=1&popups=2&download=evil.txt&back=2000')
pop=$(hostile pop "&openerclose=1&download=asked.txt&opener=$(enc "$bounce")&every=9000&times=2")
e2e_start_program "$(counted "&popup=$(enc "$pop")&file=report.txt")"
program=$PROGRAM_PID
e2e_check "the application's page is bound" e2e_wait_event '^app: bind count 1$' 30
e2e_check "the application's pop-up opens without a user action" e2e_wait_event "^app: opened $OTHER_URL" 10
e2e_check "the pop-up of another site closes its opener" e2e_wait_event '^pop: closing the opener$' 20
e2e_check "the pop-up's own download is asked for" e2e_wait_event '^pop: downloading asked.txt$' 10
e2e_check "the pop-up sends its opener away" e2e_wait_event '^pop: sending the opener$' 10
e2e_check "the page of another site prints" e2e_wait_event '^bounce: printing$' 20
e2e_check "its windows are blocked" e2e_wait_count '^bounce: open blocked ' 2 10
e2e_check "it asks for a download" e2e_wait_event '^bounce: downloading evil.txt$' 10
e2e_check "it goes back" e2e_wait_event '^bounce: going back$' 10
e2e_check "the application's page comes back from the page cache" \
  e2e_wait_event '^app: pageshow persisted=true$' 20
e2e_check "and is bound again" e2e_wait_event '^app: bind count 2$' 20
e2e_check "the pop-up sends it away again" e2e_wait_count '^pop: sending the opener$' 2 20
e2e_check "the application's page comes back again" e2e_wait_event '^app: bind count 3$' 30
still_running "$program" '^蓝岸演示 计数' "after the pop-up"
e2e_check "no window of the other site opened unasked" e2e_no_event '^unasked[0-9]: '
e2e_check "the other site's version setter never ran" e2e_no_event '^bounce: version set'
e2e_check "no unasked file was saved" e2e_not test -e "$fetched/evil.txt"
e2e_check "nor one in the home folder" e2e_not test -e "$HOME/evil.txt"
e2e_check "nor the pop-up's" e2e_not test -e "$fetched/asked.txt"
e2e_check "the refused download is in the client log" eval 'client_log | grep -q "未经用户操作的下载.*evil.txt"'
e2e_screenshot foreign-popup >/dev/null

press --popup '^蓝岸演示 计数$' d
e2e_check "a key in the other site's pop-up saves its file" e2e_wait_count '^pop: downloading asked.txt$' 2 10
e2e_check "the asked file is in the download folder" wait_file "$fetched/asked.txt"
press --popup '^蓝岸演示 计数$' o
e2e_check "and another key opens a window" e2e_wait_event '^asked: load ' 20

press '^蓝岸演示 计数$' d
e2e_check "the application's download is asked for" e2e_wait_event '^app: downloading$' 10
e2e_check "it is saved under a fresh name" wait_file "$fetched/report (1).txt"
e2e_expect_eq "the file that was there is kept" kept "$(cat "$fetched/report.txt")"
e2e_expect_eq "the saved file holds the download" "tesra download report.txt" "$(cat "$fetched/report (1).txt" 2>/dev/null)"
e2e_check "the saved download is in the client log" eval 'client_log | grep -q "保存为.*report (1).txt"'
press '^蓝岸演示 计数$' p
e2e_check "the application's page prints" e2e_wait_event '^app: printing$' 10
e2e_check "the print dialog comes" e2e_wait_dialog '.' 20
e2e_screenshot foreign-print >/dev/null
xdotool key --clearmodifiers Escape
e2e_check "the print dialog goes" no_dialogs
app_closes_program

# 4. Another site's page keeps sending the main window to an address whose certificate does not verify:
#    no box, the loads fail. Back in the application, its own link to that address asks once.
e2e_reset
certs=$(hostile certs "&goto=$(enc "$HTTPS_URL/app/index.html")&every=1500&times=4&back=8000")
e2e_start_program "$(counted "&to=$(enc "$certs")&https=$(enc "$HTTPS_URL/app/index.html")&again=2000")"
program=$PROGRAM_PID
e2e_check "the application's page is bound" e2e_wait_event '^app: bind count 1$' 30
press '^蓝岸演示 计数$' n
e2e_check "the other site's page tries four times" e2e_wait_count '^certs: going to https' 4 30
still_running "$program" '^蓝岸演示 外域页面' "after the other site's certificate tries"
e2e_check "no page of the untrusted address loaded" e2e_no_event '^load https://'
e2e_check "the application's page comes back" e2e_wait_event '^app: bind count 2$' 30
press '^蓝岸演示 计数$' h
e2e_check "the application's link to the address is followed" e2e_wait_event '^app: going to https' 10
e2e_check "the certificate box comes" e2e_wait_dialog '^蓝岸演示 计数$' 20
e2e_check "the page goes there again while the box is open" e2e_wait_event '^app: going again$' 10
sleep 3
e2e_expect_eq "one box at a time" 1 "$(e2e_dialogs | grep -c . || true)"
e2e_screenshot foreign-certificate >/dev/null
e2e_click_box '^蓝岸演示 计数$' Cancel || true
still_running "$program" '^蓝岸演示 计数' "after the refused certificate"
e2e_stop_program "$program" || true

e2e_finish
