# shellcheck shell=bash
# End-to-end test library. Source it from a test script (set -euo pipefail is fine), then:
#
#   e2e_setup                     temp dir, temporary HOME and XDG folders, cleanup on exit
#   e2e_start_display [--tray]    Xvfb (1280x800x24) on a free display >= 70, openbox, optionally trayer
#   e2e_start_tray                trayer (again): TRAY_PID
#   e2e_start_server [--https] [server options]
#                                 the demo server on free ports: SERVER_URL, OTHER_URL (a second origin of
#                                 the same server), with --https also HTTPS_URL and E2E_CA (test CA cert)
#   e2e_start_program ARGS...     the program in the background: PROGRAM_PID, E2E_PROGRAM_LOG
#                                 ($TESRA_PROGRAM, when set, runs instead of the built program)
#   e2e_stop_program [PID]        SIGTERM to it and its web processes (SIGKILL after 5 s); returns its status
#   e2e_wait_window REGEX [T]     prints the id of a visible window whose name matches
#   e2e_wait_no_window REGEX [T]  until no visible window's name matches
#   e2e_wait_dialog REGEX [T]     prints the id of a visible dialog window whose name matches
#   e2e_dialogs                   the names of the visible dialog windows (message boxes), one per line
#   e2e_window_state REGEX        Normal, Iconic or Withdrawn (none without such a window), as the window manager has it
#   e2e_wait_state REGEX STATE [T]  until the window is in that state
#   e2e_click_box REGEX BUTTON [T]  answers a message box: OK/确定/Yes/是 -> Return, Cancel/取消/No/否 -> Escape,
#                                 anything else is sent as an xdotool key name; true once the box is gone
#   e2e_wait_event REGEX [T]      prints the first reported line matching (grep -E)
#   e2e_wait_count REGEX N [T]    until at least N reported lines match
#   e2e_no_event REGEX            true when no reported line matches (now)
#   e2e_events / e2e_reset        all reported lines / forget lines and request counts
#   e2e_requests PREFIX           number of requests whose path starts with PREFIX
#   e2e_wait_exit PID [T]         returns the exit status of PID (124 when it still runs after T)
#   e2e_url_key ADDRESS           the address key of the setup folder and record (ASCII addresses)
#   e2e_screenshot NAME           saves the screen as NAME.png in $E2E_SHOTS (or the temp dir), prints the path
#   e2e_check_capture LINE SHOT   checks the picture of a 'call GetCaptureImage' line: a JPEG of the drag from
#                                 (300, 200) to (100, 50), the pixels of SHOT there, the pattern's red
#   e2e_pass TEXT / e2e_fail TEXT / e2e_check TEXT CMD... / e2e_expect_eq TEXT EXPECTED ACTUAL / e2e_not CMD...
#   e2e_finish                    prints "N passed, M failed" and exits, non-zero when M > 0
#
# Every wait is bounded: T in whole seconds, default $E2E_TIMEOUT (20). Run the starters in the test's own
# shell, not in $(...), so that their processes are recorded and stopped at exit. E2E_KEEP=1 keeps the temp
# dir. Nothing here talks to any host but 127.0.0.1.

E2E_TIMEOUT=${E2E_TIMEOUT:-20}
E2E_PASSED=0
E2E_FAILED=0
E2E_FINISHED=0
E2E_SUMMARY=${E2E_SUMMARY:-1}
E2E_PIDS=()    # stopped in reverse order at exit
E2E_GROUPS=()  # process groups (the program with its web processes), stopped first
E2E_DIR=""

_e2e_note() { echo "e2e: $*" >&2; }

_e2e_now_ms() {
  local now=${EPOCHREALTIME//[!0-9]/}
  echo $((now / 1000))
}

# Sets the deadline for a wait of $1 seconds (default E2E_TIMEOUT).
_e2e_deadline() { echo $(($(_e2e_now_ms) + ${1:-$E2E_TIMEOUT} * 1000)); }

_e2e_expired() { [ "$(_e2e_now_ms)" -ge "$1" ]; }

_e2e_alive() {
  local state
  [ -r "/proc/$1/stat" ] || return 1
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

_e2e_curl() { curl --silent --show-error --noproxy '*' --max-time 10 "$@"; }

_e2e_stop_all() {
  local pid i
  for pid in "${E2E_GROUPS[@]}"; do kill -TERM -- "-$pid" "$pid" 2>/dev/null || true; done
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do kill -TERM "${E2E_PIDS[i]}" 2>/dev/null || true; done
  local deadline
  deadline=$(_e2e_deadline 3)
  for pid in "${E2E_GROUPS[@]}" "${E2E_PIDS[@]}"; do
    while _e2e_alive "$pid" && ! _e2e_expired "$deadline"; do sleep 0.05; done
  done
  for pid in "${E2E_GROUPS[@]}"; do kill -KILL -- "-$pid" "$pid" 2>/dev/null || true; done
  for pid in "${E2E_PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  E2E_GROUPS=()
  E2E_PIDS=()
}

_e2e_cleanup() {
  local status=$?
  trap - EXIT
  set +e
  if [ "$E2E_FINISHED" = 0 ] && [ "$E2E_SUMMARY" = 1 ]; then
    if [ "$status" -ne 0 ]; then
      E2E_FAILED=$((E2E_FAILED + 1))
      echo "FAIL: the test stopped early (status $status)"
    fi
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [ "$E2E_FAILED" -eq 0 ] || status=1
  fi
  _e2e_stop_all
  if [ -n "$E2E_DIR" ] && [ -d "$E2E_DIR" ]; then
    if [ "${E2E_KEEP:-0}" = 1 ]; then
      _e2e_note "kept $E2E_DIR"
    else
      rm -rf "$E2E_DIR"
    fi
  fi
  exit "$status"
}

# A temp dir and the cleanup, leaving HOME, locale and proxies alone (for running the program as the user).
e2e_init() {
  E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tesra-e2e.XXXXXX")
  trap _e2e_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  : "${TESRA_SOURCE:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
  : "${TESRA_BUILD:=$TESRA_SOURCE/build}"
  export TESRA_SOURCE TESRA_BUILD
}

# A private session bus, so that nothing reaches the real user's session.
_e2e_start_bus() {
  local address="unix:path=$E2E_DIR/bus"
  dbus-daemon --session --address="$address" --nofork --nopidfile >"$E2E_DIR/dbus.log" 2>&1 &
  E2E_PIDS+=("$!")
  export DBUS_SESSION_BUS_ADDRESS=$address
  local deadline
  deadline=$(_e2e_deadline 5)
  until [ -S "$E2E_DIR/bus" ]; do
    _e2e_expired "$deadline" && { _e2e_note "the session bus did not start"; return 1; }
    sleep 0.05
  done
}

e2e_setup() {
  e2e_init
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
  # Loopback only: no proxy may see the traffic.
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY ftp_proxy FTP_PROXY
  export no_proxy='*' NO_PROXY='*'
  export HOME="$E2E_DIR/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
  export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
  export TESRA_MACHINE_HIVE_DIR="$E2E_DIR/machine"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Desktop" "$TESRA_MACHINE_HIVE_DIR"
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  # The xdg-user-dirs format: $HOME stays literal.
  # shellcheck disable=SC2016
  echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
  export NO_AT_BRIDGE=1 GDK_BACKEND=x11
  unset WAYLAND_DISPLAY SESSION_MANAGER
  _e2e_start_bus
}

_e2e_wait_until() {  # deadline, what, command...
  local deadline=$1 what=$2
  shift 2
  until "$@" >/dev/null 2>&1; do
    _e2e_expired "$deadline" && { _e2e_note "$what did not come up"; return 1; }
    sleep 0.05
  done
}

# Pipes into grep -q can fail under pipefail when grep stops reading early, so outputs are taken whole.
_e2e_wm_running() { [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]]; }
_e2e_tray_running() { xdotool search --classname '^trayer$'; }

e2e_start_display() {
  local tray=0 n pid deadline found=""
  [ "${1:-}" = --tray ] && tray=1
  for n in $(seq 70 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >"$E2E_DIR/xvfb.log" 2>&1 &
    pid=$!
    deadline=$(_e2e_deadline 10)
    # Another server may win the same number; ours is up when it holds the lock and answers.
    while _e2e_alive "$pid" && ! _e2e_expired "$deadline"; do
      if [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$pid" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
        found=":$n"
        break 2
      fi
      sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
  done
  [ -n "$found" ] || { _e2e_note "no free X display"; return 1; }
  E2E_PIDS+=("$pid")
  export DISPLAY=$found

  openbox --sm-disable >"$E2E_DIR/openbox.log" 2>&1 &
  E2E_PIDS+=("$!")
  _e2e_wait_until "$(_e2e_deadline)" openbox _e2e_wm_running || return 1
  if [ "$tray" = 1 ]; then e2e_start_tray || return 1; fi
}

# The XEmbed tray host (trayer) on the display: TRAY_PID.
e2e_start_tray() {
  trayer --edge top --align right --widthtype request --height 32 --transparent false \
    --SetDockType true --SetPartialStrut true \
    >>"$E2E_DIR/trayer.log" 2>&1 &
  TRAY_PID=$!
  E2E_PIDS+=("$TRAY_PID")
  _e2e_wait_until "$(_e2e_deadline)" trayer _e2e_tray_running
}

# A test CA and a server certificate for 127.0.0.1 and localhost signed by it, made once per test.
_e2e_make_certificates() {
  local dir="$E2E_DIR/tls"
  [ -f "$dir/server.pem" ] && return 0
  mkdir -p "$dir"
  (
    cd "$dir"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
      -subj "/CN=Tesra Test CA" -keyout ca.key -out ca.pem \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
      -subj "/CN=127.0.0.1" -keyout server.key -out server.csr
    printf '%s\n' "subjectAltName=IP:127.0.0.1,DNS:localhost" "basicConstraints=CA:FALSE" \
      "keyUsage=critical,digitalSignature" "extendedKeyUsage=serverAuth" >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
      -extfile server.ext -out server.pem
  ) >"$dir/openssl.log" 2>&1 || { _e2e_note "making the test certificates failed: $(cat "$dir/openssl.log")"; return 1; }
  export E2E_CA="$dir/ca.pem"
}

_e2e_read_port() {  # file, pid
  local deadline
  deadline=$(_e2e_deadline 10)
  until [ -s "$1" ]; do
    _e2e_alive "$2" || { _e2e_note "the demo server stopped"; return 1; }
    _e2e_expired "$deadline" && { _e2e_note "the demo server did not report $1"; return 1; }
    sleep 0.02
  done
  tr -d ' \n' <"$1"
}

E2E_SERVER_COUNT=0
e2e_start_server() {
  local https=0 extra=() arg
  for arg in "$@"; do
    if [ "$arg" = --https ]; then https=1; else extra+=("$arg"); fi
  done
  E2E_SERVER_COUNT=$((E2E_SERVER_COUNT + 1))
  local dir="$E2E_DIR/server$E2E_SERVER_COUNT"
  mkdir -p "$dir"
  local command=("$TESRA_BUILD/demo/tesra-demo-server" --port 0 --port-file "$dir/port"
    --other-port-file "$dir/other-port" --events-file "$dir/events.txt")
  if [ "$https" = 1 ]; then
    _e2e_make_certificates || return 1
    command+=(--https-port-file "$dir/https-port" --cert "$E2E_DIR/tls/server.pem" --key "$E2E_DIR/tls/server.key")
  fi
  E2E_SERVER_LOG="$dir/server.log"
  "${command[@]}" "${extra[@]}" >"$E2E_SERVER_LOG" 2>&1 &
  SERVER_PID=$!
  E2E_PIDS+=("$SERVER_PID")
  local port
  port=$(_e2e_read_port "$dir/port" "$SERVER_PID") || return 1
  export SERVER_URL="http://127.0.0.1:$port"
  port=$(_e2e_read_port "$dir/other-port" "$SERVER_PID") || return 1
  export OTHER_URL="http://127.0.0.1:$port"
  if [ "$https" = 1 ]; then
    port=$(_e2e_read_port "$dir/https-port" "$SERVER_PID") || return 1
    export HTTPS_URL="https://127.0.0.1:$port"
  fi
}

E2E_PROGRAM_COUNT=0
e2e_start_program() {
  local program=${TESRA_PROGRAM:-$TESRA_BUILD/linux/TesraBrowser}
  E2E_PROGRAM_COUNT=$((E2E_PROGRAM_COUNT + 1))
  E2E_PROGRAM_LOG="$E2E_DIR/program$E2E_PROGRAM_COUNT.log"
  # Its own process group, so that its web processes stop with it.
  setsid "$program" "$@" >"$E2E_PROGRAM_LOG" 2>&1 </dev/null &
  PROGRAM_PID=$!
  E2E_GROUPS+=("$PROGRAM_PID")
}

# Stops a program started by e2e_start_program, with its web processes; returns its exit status.
e2e_stop_program() {
  local pid=${1:-$PROGRAM_PID} status=0
  kill -TERM -- "-$pid" "$pid" 2>/dev/null || true
  e2e_wait_exit "$pid" 5 || status=$?
  if [ "$status" = 124 ]; then
    kill -KILL -- "-$pid" "$pid" 2>/dev/null || true
    e2e_wait_exit "$pid" 5 || status=$?
  fi
  return "$status"
}

_e2e_visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

e2e_wait_window() {
  local deadline ids
  deadline=$(_e2e_deadline "${2:-}")
  while :; do
    ids=$(_e2e_visible_windows "$1")
    [ -n "$ids" ] && { head -n 1 <<<"$ids"; return 0; }
    _e2e_expired "$deadline" && { _e2e_note "no visible window named /$1/"; return 1; }
    sleep 0.1
  done
}

e2e_wait_no_window() {
  local deadline
  deadline=$(_e2e_deadline "${2:-}")
  while [ -n "$(_e2e_visible_windows "$1")" ]; do
    _e2e_expired "$deadline" && { _e2e_note "a window named /$1/ is still visible"; return 1; }
    sleep 0.1
  done
}

e2e_dialogs() {
  local id
  for id in $(_e2e_visible_windows '.'); do
    _e2e_is_dialog "$id" && xdotool getwindowname "$id" 2>/dev/null
  done
  return 0
}

e2e_window_state() {
  local id state
  id=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
  [ -n "$id" ] || { echo none; return; }
  state=$(xprop -id "$id" WM_STATE 2>/dev/null || true)
  case "$state" in
    *Iconic*) echo Iconic ;;
    *Normal*) echo Normal ;;
    *) echo Withdrawn ;;
  esac
}

e2e_wait_state() {
  local deadline
  deadline=$(_e2e_deadline "${3:-}")
  until [ "$(e2e_window_state "$1")" = "$2" ]; do
    _e2e_expired "$deadline" && { _e2e_note "the window /$1/ is $(e2e_window_state "$1"), not $2"; return 1; }
    sleep 0.1
  done
}

_e2e_is_dialog() { [[ "$(xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null)" == *_NET_WM_WINDOW_TYPE_DIALOG* ]]; }

e2e_wait_dialog() {
  local deadline id
  deadline=$(_e2e_deadline "${2:-}")
  while :; do
    for id in $(_e2e_visible_windows "$1"); do
      _e2e_is_dialog "$id" && { echo "$id"; return 0; }
    done
    _e2e_expired "$deadline" && { _e2e_note "no dialog named /$1/"; return 1; }
    sleep 0.1
  done
}

e2e_click_box() {
  local id key deadline
  id=$(e2e_wait_dialog "$1" "${3:-}") || return 1
  case "$2" in
    OK | Ok | ok | 确定 | Yes | yes | 是 | Return) key=Return ;;
    Cancel | cancel | 取消 | No | no | 否 | Escape) key=Escape ;;
    *) key=$2 ;;
  esac
  deadline=$(_e2e_deadline "${3:-}")
  local tries=0
  # A key pressed before the box has the focus is lost on a loaded machine: press it again each second.
  while grep -qx "$id" <<<"$(_e2e_visible_windows "$1")"; do
    _e2e_expired "$deadline" && { _e2e_note "the box /$1/ is still open after $key"; return 1; }
    if [ $((tries++ % 10)) -eq 0 ]; then
      xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
      xdotool key --clearmodifiers "$key"
    fi
    sleep 0.1
  done
}

e2e_events() { _e2e_curl "$SERVER_URL/__events"; }

e2e_reset() { _e2e_curl --data "" "$SERVER_URL/__reset" >/dev/null; }

e2e_requests() { _e2e_curl -G --data-urlencode "prefix=$1" "$SERVER_URL/__requests"; }

e2e_wait_event() {
  local deadline line
  deadline=$(_e2e_deadline "${2:-}")
  while :; do
    line=$(grep -E -m 1 -- "$1" <<<"$(e2e_events 2>/dev/null)" || true)
    [ -n "$line" ] && { echo "$line"; return 0; }
    if _e2e_expired "$deadline"; then
      _e2e_note "no event /$1/; the last ones were:"
      tail -n 5 <<<"$(e2e_events 2>/dev/null)" | cut -c1-200 >&2
      return 1
    fi
    sleep 0.1
  done
}

# True when no reported line matches now (a whole read: "e2e_events | grep -q" may fail under pipefail).
e2e_no_event() {
  local events
  events=$(e2e_events) || return 1
  ! grep -q -E -- "$1" <<<"$events"
}

e2e_wait_count() {
  local deadline count
  deadline=$(_e2e_deadline "${3:-}")
  while :; do
    count=$(grep -c -E -- "$1" <<<"$(e2e_events 2>/dev/null)" || true)
    [ "$count" -ge "$2" ] && return 0
    _e2e_expired "$deadline" && { _e2e_note "$count of $2 events /$1/"; return 1; }
    sleep 0.1
  done
}

e2e_wait_exit() {
  local pid=$1 deadline status=0
  deadline=$(_e2e_deadline "${2:-}")
  while _e2e_alive "$pid"; do
    _e2e_expired "$deadline" && { _e2e_note "process $pid still runs"; return 124; }
    sleep 0.05
  done
  wait "$pid" 2>/dev/null || status=$?
  return "$status"
}

# The address's bytes folded as h * 31 + byte modulo 2^32.
e2e_url_key() {
  local text=$1 hash=0 i code
  for ((i = 0; i < ${#text}; i++)); do
    printf -v code '%d' "'${text:i:1}"
    hash=$(((hash * 31 + code) & 0xFFFFFFFF))
  done
  echo "$hash"
}

# A settings hive file's text in UTF-8 (the file is UTF-16LE with its byte-order mark; older ones are UTF-8).
e2e_hive_text() {
  [ -f "$1" ] || return 0
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = fffe ]; then
    tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r'
  else
    cat "$1"
  fi
}

e2e_screenshot() {
  local dir=${E2E_SHOTS:-$E2E_DIR}
  mkdir -p "$dir"
  import -display "$DISPLAY" -window root "$dir/$1.png" && echo "$dir/$1.png"
}

# The picture that a capture call returned (its reported line), dragged from (300, 200) to (100, 50) over
# the pattern's red block: a JPEG of 200 by 150 pixels, the screen's own pixels there (SHOT, taken during
# the drag, shows the selection at full brightness) and that red.
e2e_check_capture() {  # event line, screenshot during the drag
  local picture="$E2E_DIR/capture.jpg" expected="$E2E_DIR/expected.png" error mean
  python3 -c 'import base64, json, sys; sys.stdout.buffer.write(base64.b64decode(json.loads(sys.argv[1])))' \
    "${1#call GetCaptureImage }" >"$picture" || true
  e2e_check "the text is a JPEG file (FF D8)" sh -c "head -c 2 '$picture' | od -An -tx1 | grep -q 'ff d8'"
  e2e_expect_eq "the drag from (300, 200) to (100, 50) gives 200 by 150 pixels" "200x150" \
    "$(identify -format '%wx%h' "$picture" 2>/dev/null)"
  convert "$2" -crop 200x150+100+50 +repage "$expected"
  error=$(compare -metric RMSE "$picture" "$expected" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
  e2e_check "the picture matches the screen under the selection (RMSE $error)" \
    python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) < 0.05 else 1)" "$error"
  mean=$(convert "$picture" -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: 2>/dev/null || true)
  e2e_check "the picture is the pattern's red (mean $mean)" \
    python3 -c "import sys; r, g, b = map(int, sys.argv[1:]); sys.exit(0 if r > 235 and g < 20 and b < 20 else 1)" $mean
}

e2e_pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
  echo "PASS: $*"
}

e2e_fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  echo "FAIL: $*"
}

# Runs the command; its output goes to stderr so that the check lines stay readable.
e2e_check() {
  local text=$1
  shift
  if "$@" >&2; then e2e_pass "$text"; else e2e_fail "$text"; fi
}

# True when the command fails: e2e_check "no box" e2e_not e2e_wait_dialog '系统提示' 2
e2e_not() { ! "$@"; }

e2e_expect_eq() {
  if [ "$2" = "$3" ]; then
    e2e_pass "$1"
  else
    e2e_fail "$1: expected '$2', got '$3'"
  fi
}

e2e_finish() {
  E2E_FINISHED=1
  echo "$E2E_PASSED passed, $E2E_FAILED failed"
  exit $((E2E_FAILED > 0 ? 1 : 0))
}
