# shellcheck shell=bash
# A StatusNotifierWatcher with a host of the test's own (sni_watcher.py) and readers of the program's item and
# its dbusmenu menu over the private session bus. Source it after lib.sh and e2e_setup, then:
#
#   start_watcher                 the watcher on the bus: WATCHER_PID; its events go to $watcher_log
#   wait_log REGEX N [T]          until the watcher's log has N lines matching; prints the last
#   count_log REGEX               how many lines of the watcher's log match
#   item_get PROPERTY / item_call METHOD   a property or method of the item $item (a bus name)
#   menu_lines                    the item's menu as lines "depth|id|label|toggle-state" (separators "-")
#   menu_id LABEL / menu_click ID the id of the first line with that label / a click on it

here=${here:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}
watcher_log=$E2E_DIR/watcher.log
: >"$watcher_log"
has_watcher() {
  [ "$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher 2>/dev/null)" = "(true,)" ]
}
start_watcher() {
  /usr/bin/python3 "$here/sni_watcher.py" --log "$watcher_log" &
  WATCHER_PID=$!
  E2E_PIDS+=("$WATCHER_PID")
  local deadline
  deadline=$(_e2e_deadline 10)
  until has_watcher; do
    _e2e_expired "$deadline" && { _e2e_note "the watcher did not start"; return 1; }
    sleep 0.05
  done
}
# Waits until the watcher's log has at least N lines matching; prints the last of them.
wait_log() {  # regex count [seconds]
  local deadline lines
  deadline=$(_e2e_deadline "${3:-}")
  while :; do
    lines=$(grep -E -- "$1" "$watcher_log" || true)
    if [ -n "$lines" ] && [ "$(wc -l <<<"$lines")" -ge "$2" ]; then tail -n 1 <<<"$lines"; return 0; fi
    _e2e_expired "$deadline" && { _e2e_note "fewer than $2 lines /$1/ in the watcher's log"; return 1; }
    sleep 0.1
  done
}
count_log() { grep -c -E -- "$1" "$watcher_log" || true; }
item_get() {
  gdbus call --session --dest "$item" --object-path /StatusNotifierItem \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"
}
item_call() { gdbus call --session --dest "$item" --object-path /StatusNotifierItem --method "org.kde.StatusNotifierItem.$1" 0 0; }
menu_layout() {
  gdbus call --session --dest "$item" --object-path /MenuBar --method com.canonical.dbusmenu.GetLayout 0 -- -1 '[]'
}
# The menu as lines "depth|id|label|toggle-state" (separators as "-"), from the layout.
menu_lines() {
  menu_layout | /usr/bin/python3 -c '
import sys
import gi
gi.require_version("GLib", "2.0")
from gi.repository import GLib
revision, root = GLib.Variant.parse(None, sys.stdin.read().strip(), None, None).unpack()
def walk(node, depth):
    ident, props, children = node
    for child in children:
        cid, cprops, _ = child
        label = "-" if cprops.get("type") == "separator" else cprops.get("label", "")
        print("%d|%d|%s|%s" % (depth, cid, label, cprops.get("toggle-state", "")))
        walk(child, depth + 1)
walk(root, 0)'
}
menu_id() { menu_lines | awk -F'|' -v label="$1" '$3 == label { print $2; exit }'; }
menu_click() { gdbus call --session --dest "$item" --object-path /MenuBar --method com.canonical.dbusmenu.Event "$1" clicked '<0>' 0 >/dev/null; }
