#!/usr/bin/env bash
# What runs leave behind: the page bridge socket goes at a normal end and at SIGTERM; a run killed with
# SIGKILL leaves its socket and hidden temporaries of its writes, and the next start removes them, but never a
# socket whose process still runs nor a temporary that a writer still holds.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

address="$SERVER_URL/app/index.html?main=true&case=leftovers"
run=$XDG_RUNTIME_DIR/tesrabrowser
config=$XDG_CONFIG_HOME/tesrabrowser
sockets() { find "$run" -maxdepth 1 -name 'bridge-*.sock' -printf '%f\n' 2>/dev/null | sort; }

# A normal end: the main page closes itself.
e2e_start_program "$SERVER_URL/app/test/closeself.html?after=3000"
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 40
e2e_expect_eq "the running program has its socket" "bridge-$PROGRAM_PID.sock" "$(sockets)"
status=0
e2e_wait_exit "$PROGRAM_PID" 20 || status=$?
e2e_expect_eq "the page's close ends the program" 0 "$status"
e2e_expect_eq "a normal end removes the socket" "" "$(sockets)"

# SIGTERM.
e2e_reset
e2e_start_program "$address"
e2e_check "the page opens" e2e_wait_event '^load .*case=leftovers' 40
e2e_expect_eq "the running program has its socket" "bridge-$PROGRAM_PID.sock" "$(sockets)"
status=0
e2e_stop_program "$PROGRAM_PID" || status=$?
e2e_expect_eq "SIGTERM ends the program as SIGTERM does" 143 "$status"
e2e_expect_eq "and removes the socket" "" "$(sockets)"

# SIGKILL leaves the socket; temporaries as a killed write leaves them.
e2e_reset
e2e_start_program "$address"
e2e_check "the page opens again" e2e_wait_event '^load .*case=leftovers' 40
killed=$PROGRAM_PID
kill -KILL -- "-$killed" "$killed"
e2e_wait_exit "$killed" 10 || true
e2e_expect_eq "SIGKILL leaves the socket" "bridge-$killed.sock" "$(sockets)"
folder=$XDG_DATA_HOME/Kestal/TesraBrowser/$(e2e_url_key "$address")
e2e_check "the address was set up" test -f "$folder/TesraBrowser.ico"
printf 'half' >"$config/.HKCU.reg.Ab12Cd"
printf 'half' >"$folder/.TesraBrowser.ico.Zz9Yy8"
printf 'kept' >"$config/.unrelated"
# A write still under way in another process: its temporary is held.
held="$config/.HKCU.reg.Held01"
printf 'half' >"$held"
# Its own process group, so that the sleep under flock goes with it; no output, so that no pipe waits for it.
setsid flock -o "$held" sleep 300 >/dev/null 2>&1 &
holder=$!
E2E_GROUPS+=("$holder")
# The socket of a process that still runs.
sleep 300 >/dev/null 2>&1 &
alive=$!
E2E_PIDS+=("$alive")
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$run/bridge-$alive.sock"
sleep 0.5

e2e_reset
e2e_start_program "$address"
e2e_check "the next start opens the page" e2e_wait_event '^load .*case=leftovers' 40
e2e_check "and binds it" e2e_wait_event '^SetTesraBrowserService$' 20
e2e_expect_eq "the killed run's socket is gone; the live process's stays" \
  "$(printf '%s\n' "bridge-$alive.sock" "bridge-$PROGRAM_PID.sock" | sort)" "$(sockets)"
e2e_check "the stale settings temporary is gone" e2e_not test -e "$config/.HKCU.reg.Ab12Cd"
e2e_check "the stale icon temporary is gone" e2e_not test -e "$folder/.TesraBrowser.ico.Zz9Yy8"
e2e_check "the held temporary stays" test -f "$held"
e2e_check "another hidden file stays" test -f "$config/.unrelated"
e2e_check "the settings still read: nothing is set up again" test "$(e2e_requests /app/setup/)" = 0
sleep 2
e2e_screenshot leftovers-page >/dev/null
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
e2e_stop_program "$PROGRAM_PID" || true
e2e_expect_eq "its own socket went at its end" "bridge-$alive.sock" "$(sockets)"
kill -- "-$holder" "$alive" 2>/dev/null || true

e2e_finish
