# shellcheck shell=bash
# A headless Wayland session for end-to-end tests, after e2e_setup of lib.sh (as root: the compositor runs as
# nobody, which sway requires):
#
#   wl_start_session [PORTALS]  sway (headless, 1280x800, no input devices), PipeWire, the wlr portal backend
#                               (real screenshots through grim), the stand-in backend (GlobalShortcuts, Access,
#                               and with PORTALS=screenshot a Screenshot that only asks), the portal frontend,
#                               wayvnc for a virtual pointer and keyboard; WAYLAND_DISPLAY for the program
#   wl_restart_portal KIND      the frontend again with another set of backends: "shortcuts" (wlr + stand-in),
#                               "plain" (wlr alone: no GlobalShortcuts), "refusing" (the stand-in's Screenshot,
#                               which answers with the set answer)
#   wl_portal_log               what the stand-in backend saw, one event a line
#   wl_press TRIGGER            the stand-in presses a bound shortcut ("CTRL+ALT+f"); false when none is bound
#   wl_set_answer WHAT N        the stand-in's next answers to bind / access / screenshot (0 granted, 2 refused)
#   wl_input ARGS...            pointer and keys (move X Y, down, up, key NAME, sleep S)
#   wl_windows                  the compositor's windows: "<floating|tiled> <fullscreen|-> <focused|-> <title>"
#   wl_wait_windows REGEX N [T] until exactly N windows' lines match
#   wl_screenshot NAME          saves the screen as NAME.png (grim), prints the path
#   wl_wait_pixel X Y R G B [T] until the screen's pixel at (X, Y) has that colour

WL_PYTHON=/usr/bin/python3  # the system's, which has the GObject bindings
WL_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

_wl_portals() {  # kind -> folder of .portal files
  local dir="$E2E_DIR/portals-$1"
  mkdir -p "$dir"
  local interfaces="org.freedesktop.impl.portal.GlobalShortcuts;org.freedesktop.impl.portal.Access;"
  case $1 in
    shortcuts) cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$dir/" ;;
    plain) cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$dir/"; interfaces="" ;;
    refusing) interfaces="org.freedesktop.impl.portal.Screenshot;org.freedesktop.impl.portal.Access;" ;;
  esac
  if [ -n "$interfaces" ]; then
    printf '[portal]\nDBusName=org.freedesktop.impl.portal.desktop.tesratest\nInterfaces=%s\nUseIn=sway\n' \
      "$interfaces" >"$dir/tesratest.portal"
  fi
  echo "$dir"
}

# Asked of the bus, which never starts the system's own frontend in its place.
_wl_portal_up() {
  [ "$(gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.GetConnectionUnixProcessID org.freedesktop.portal.Desktop 2>/dev/null)" = \
    "(uint32 $WL_FRONTEND_PID,)" ]
}

WL_FRONTEND_PID=""
wl_restart_portal() {
  local dir
  dir=$(_wl_portals "$1")
  if [ -n "$WL_FRONTEND_PID" ]; then
    kill "$WL_FRONTEND_PID" 2>/dev/null || true
    e2e_wait_exit "$WL_FRONTEND_PID" 5 >/dev/null || true
  fi
  XDG_DESKTOP_PORTAL_DIR=$dir /usr/libexec/xdg-desktop-portal -r -v >>"$E2E_DIR/portal-frontend.log" 2>&1 &
  WL_FRONTEND_PID=$!
  E2E_PIDS+=("$WL_FRONTEND_PID")
  _e2e_wait_until "$(_e2e_deadline 20)" "the portal frontend" _wl_portal_up
}

_wl_sway_socket() { compgen -G "$E2E_DIR/sway/wayland-*[0-9]" | head -n 1; }
_wl_vnc_up() { (exec 3<>"/dev/tcp/127.0.0.1/$WL_VNC_PORT") 2>/dev/null; }

wl_start_session() {
  local sway="$E2E_DIR/sway"
  # The compositor's user passes through the test's folder to its own.
  chmod 0711 "$E2E_DIR"
  mkdir -m 0700 "$sway"
  chown nobody "$sway"
  printf 'output HEADLESS-1 resolution 1280x800 bg #336699 solid_color\n' >"$sway/sway.conf"
  HOME=$sway XDG_RUNTIME_DIR=$sway WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$sway/sway.conf" >"$E2E_DIR/sway.log" 2>&1 &
  E2E_PIDS+=("$!")
  _e2e_wait_until "$(_e2e_deadline 20)" "sway" _wl_sway_socket || return 1
  local socket
  socket=$(_wl_sway_socket)
  ln -s "$socket" "$XDG_RUNTIME_DIR/$(basename "$socket")"
  export WAYLAND_DISPLAY
  WAYLAND_DISPLAY=$(basename "$socket")
  export SWAYSOCK
  SWAYSOCK=$(compgen -G "$sway/sway-ipc.*.sock" | head -n 1)
  export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
  unset DISPLAY GDK_BACKEND

  # The wlr backend ends at once when PipeWire is not there yet, and the frontend offers no Screenshot
  # without its backend on the bus: each waits for the one before.
  pipewire >"$E2E_DIR/pipewire.log" 2>&1 &
  E2E_PIDS+=("$!")
  _e2e_wait_until "$(_e2e_deadline 20)" "pipewire" test -S "$XDG_RUNTIME_DIR/pipewire-0" || return 1
  /usr/libexec/xdg-desktop-portal-wlr >"$E2E_DIR/portal-wlr.log" 2>&1 &
  E2E_PIDS+=("$!")
  _e2e_wait_until "$(_e2e_deadline 20)" "the wlr portal" \
    gdbus introspect --session -d org.freedesktop.impl.portal.desktop.wlr -o /org/freedesktop/portal/desktop || return 1
  "$WL_PYTHON" "$WL_HERE/portal_standin.py" "$E2E_DIR/portal.log" >"$E2E_DIR/portal-standin.log" 2>&1 &
  E2E_PIDS+=("$!")
  _e2e_wait_until "$(_e2e_deadline 20)" "the stand-in portal" \
    gdbus introspect --session -d org.freedesktop.impl.portal.desktop.tesratest -o /org/freedesktop/portal/desktop
  wl_restart_portal "${1:-shortcuts}" || return 1

  WL_VNC_PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  wayvnc -g 127.0.0.1 "$WL_VNC_PORT" >"$E2E_DIR/wayvnc.log" 2>&1 &
  E2E_PIDS+=("$!")
  _e2e_wait_until "$(_e2e_deadline 20)" "wayvnc" _wl_vnc_up
}

wl_portal_log() { cat "$E2E_DIR/portal.log" 2>/dev/null || true; }

_wl_test_call() {
  gdbus call --session -d org.freedesktop.impl.portal.desktop.tesratest -o /org/freedesktop/portal/desktop \
    -m "com.kestal.TesraTest.Portal.$1" "${@:2}"
}

wl_press() { [ "$(_wl_test_call Press "$1")" = "(true,)" ]; }
wl_set_answer() { _wl_test_call SetAnswer "$1" "$2" >/dev/null; }
wl_input() { "$WL_PYTHON" "$WL_HERE/rfb_input.py" "$WL_VNC_PORT" "$@"; }

wl_windows() {
  swaymsg -t get_tree 2>/dev/null | "$WL_PYTHON" -c '
import json, sys
def walk(node, floating):
    if node.get("pid"):
        print("%s %s %s %s" % ("floating" if floating else "tiled", "fullscreen" if node.get("fullscreen_mode") else "-",
                               "focused" if node.get("focused") else "-", node.get("name") or ""))
    for child in node.get("nodes", []):
        walk(child, floating)
    for child in node.get("floating_nodes", []):
        walk(child, True)
walk(json.load(sys.stdin), False)'
}

wl_wait_windows() {
  local deadline count
  deadline=$(_e2e_deadline "${3:-}")
  while :; do
    count=$(wl_windows | grep -cE "$1" || true)
    [ "$count" = "$2" ] && return 0
    _e2e_expired "$deadline" && { _e2e_note "$count windows match /$1/, not $2: $(wl_windows)"; return 1; }
    sleep 0.1
  done
}

wl_screenshot() {
  local file="${E2E_SHOTS:-$E2E_DIR}/$1.png"
  mkdir -p "$(dirname "$file")"
  grim "$file" && echo "$file"
}

_wl_pixel_is() {  # x, y, "r g b"
  [ "$(grim -t ppm -g "$1,$2 1x1" - 2>/dev/null | tail -c 3 | od -An -tu1 | xargs)" = "$3" ]
}

wl_wait_pixel() {
  _e2e_wait_until "$(_e2e_deadline "${6:-}")" "the colour $3 $4 $5 at ($1, $2)" _wl_pixel_is "$1" "$2" "$3 $4 $5"
}
