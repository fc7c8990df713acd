#!/usr/bin/python3
"""A StatusNotifierWatcher with a host of its own, for the end-to-end tests.

Owns org.kde.StatusNotifierWatcher on the session bus, reports a registered host (unless --no-host),
accepts item registrations and writes one line per event to the log file:

    registered NAME           an item registered (NAME is its bus name)
    unregistered NAME         its bus name went away
    signal MEMBER NAME ARGS   a signal of a registered item or of its menu (NewIcon, NewToolTip,
                              LayoutUpdated, ItemsPropertiesUpdated, ...)

Each line starts with the milliseconds since the watcher started. The test reads the item itself
with gdbus.
"""
import argparse
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

WATCHER = "org.kde.StatusNotifierWatcher"
INTROSPECTION = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
  <signal name="StatusNotifierHostUnregistered"/>
</interface></node>"""


class Watcher:
    def __init__(self, log, host):
        self.log = log
        self.host = host
        self.start = time.monotonic()
        self.items = {}  # bus name -> name watch id
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        node = Gio.DBusNodeInfo.new_for_xml(INTROSPECTION)
        self.bus.register_object("/StatusNotifierWatcher", node.interfaces[0], self.on_call, self.on_property, None)
        Gio.bus_own_name_on_connection(self.bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                       lambda *_: self.write("watcher"), lambda *_: sys.exit(1))

    def write(self, text):
        self.log.write("%d %s\n" % ((time.monotonic() - self.start) * 1000, text))
        self.log.flush()

    def on_call(self, bus, sender, path, interface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            service = params.unpack()[0]
            name = sender if service.startswith("/") else service
            if name not in self.items:
                self.items[name] = Gio.bus_watch_name_on_connection(
                    bus, name, Gio.BusNameWatcherFlags.NONE, None, self.on_vanished)
                bus.signal_subscribe(name, None, None, None, None, Gio.DBusSignalFlags.NONE, self.on_signal, name)
            self.write("registered %s" % name)
            bus.emit_signal(None, "/StatusNotifierWatcher", WATCHER, "StatusNotifierItemRegistered",
                            GLib.Variant("(s)", (name,)))
        invocation.return_value(None)

    def on_property(self, bus, sender, path, interface, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", list(self.items))
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", self.host)
        return GLib.Variant("i", 0)

    def on_vanished(self, bus, name):
        Gio.bus_unwatch_name(self.items.pop(name))
        self.write("unregistered %s" % name)

    def on_signal(self, bus, sender, path, interface, member, params, name):
        self.write("signal %s %s %s" % (member, name, params.print_(False)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--no-host", action="store_true")
    args = parser.parse_args()
    with open(args.log, "a", encoding="utf-8") as log:
        Watcher(log, not args.no_host)
        GLib.MainLoop().run()


if __name__ == "__main__":
    main()
