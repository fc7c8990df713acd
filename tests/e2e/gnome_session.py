#!/usr/bin/python3
"""A stand-in for GNOME's session manager (org.gnome.SessionManager), for the end-to-end tests.

Clients register (RegisterClient) and get an object with the client-private interface. "Logout" asks
every client with QueryEndSession and waits for their EndSessionResponse (at most --timeout seconds,
as the real one waits only a moment): a refusal cancels the logout (CancelEndSession), otherwise the
clients are told EndSession. One line per event goes to the log file:

    register APP_ID SENDER PATH     a client registered
    inhibit APP_ID FLAGS REASON     an inhibitor was taken
    query PATH                      QueryEndSession sent to a client
    response PATH true|false REASON its answer
    timeout PATH                    no answer in time
    cancelled / ended               how the logout went
"""
import argparse
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

MANAGER = """<node><interface name="org.gnome.SessionManager">
  <method name="RegisterClient"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="o" direction="out"/></method>
  <method name="UnregisterClient"><arg type="o" direction="in"/></method>
  <method name="Inhibit"><arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="u" direction="in"/><arg type="u" direction="out"/></method>
  <method name="Uninhibit"><arg type="u" direction="in"/></method>
  <method name="IsInhibited"><arg type="u" direction="in"/><arg type="b" direction="out"/></method>
  <method name="Logout"><arg type="u" direction="in"/></method>
</interface></node>"""
CLIENT = """<node><interface name="org.gnome.SessionManager.ClientPrivate">
  <method name="EndSessionResponse"><arg type="b" direction="in"/><arg type="s" direction="in"/></method>
  <signal name="QueryEndSession"><arg type="u"/></signal>
  <signal name="EndSession"><arg type="u"/></signal>
  <signal name="CancelEndSession"/>
  <signal name="Stop"/>
</interface></node>"""


class Manager:
    def __init__(self, log, timeout):
        self.log = log
        self.timeout = timeout
        self.start = time.monotonic()
        self.clients = {}  # path -> sender
        self.registered = 0
        self.waiting = {}  # path -> answer (None while waiting)
        self.inhibitors = []
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.client_info = Gio.DBusNodeInfo.new_for_xml(CLIENT).interfaces[0]
        manager = Gio.DBusNodeInfo.new_for_xml(MANAGER).interfaces[0]
        self.bus.register_object("/org/gnome/SessionManager", manager, self.on_call, None, None)
        Gio.bus_own_name_on_connection(self.bus, "org.gnome.SessionManager", Gio.BusNameOwnerFlags.NONE,
                                       lambda *_: self.write("manager"), None)

    def write(self, text):
        self.log.write("%d %s\n" % ((time.monotonic() - self.start) * 1000, text))
        self.log.flush()

    def on_call(self, bus, sender, path, interface, method, params, invocation):
        args = params.unpack()
        if method == "RegisterClient":
            self.registered += 1
            client = "/org/gnome/SessionManager/Client%d" % self.registered
            bus.register_object(client, self.client_info, self.on_client_call, None, None)
            self.clients[client] = sender
            # A client whose connection goes is no longer asked, as the real manager does.
            Gio.bus_watch_name_on_connection(bus, sender, Gio.BusNameWatcherFlags.NONE, None,
                                             lambda _bus, _name, path=client: self.on_gone(path))
            self.write("register %s %s %s" % (args[0] or "-", sender, client))
            invocation.return_value(GLib.Variant("(o)", (client,)))
        elif method == "Inhibit":
            self.inhibitors.append(args)
            self.write("inhibit %s %d %s" % (args[0], args[3], args[2]))
            invocation.return_value(GLib.Variant("(u)", (len(self.inhibitors),)))
        elif method == "IsInhibited":
            invocation.return_value(GLib.Variant("(b)", (any(i[3] & args[0] for i in self.inhibitors),)))
        elif method == "Logout":
            invocation.return_value(None)
            self.query()
        else:
            invocation.return_value(None)

    def on_gone(self, path):
        self.clients.pop(path, None)
        self.waiting.pop(path, None)
        self.write("gone %s" % path)
        self.settle()

    def on_client_call(self, bus, sender, path, interface, method, params, invocation):
        ok, reason = params.unpack()
        self.write("response %s %s %s" % (path, "true" if ok else "false", reason))
        if path in self.waiting and self.waiting[path] is None:
            self.waiting[path] = ok
            self.settle()
        invocation.return_value(None)

    def query(self):
        self.waiting = {path: None for path in self.clients}
        for path, sender in self.clients.items():
            self.write("query %s" % path)
            self.bus.emit_signal(sender, path, "org.gnome.SessionManager.ClientPrivate", "QueryEndSession",
                                 GLib.Variant("(u)", (0,)))
        GLib.timeout_add(int(self.timeout * 1000), self.on_timeout)
        self.settle()

    def on_timeout(self):
        for path, answer in self.waiting.items():
            if answer is None:
                self.write("timeout %s" % path)
                self.waiting[path] = False
        self.settle()
        return False

    def settle(self):
        if not self.waiting or None in self.waiting.values():
            return
        refused = not all(self.waiting.values())
        self.waiting = {}
        signal = "CancelEndSession" if refused else "EndSession"
        args = None if refused else GLib.Variant("(u)", (0,))
        for path, sender in self.clients.items():
            self.bus.emit_signal(sender, path, "org.gnome.SessionManager.ClientPrivate", signal, args)
        self.write("cancelled" if refused else "ended")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--timeout", type=float, default=1.0)
    args = parser.parse_args()
    with open(args.log, "a", encoding="utf-8") as log:
        Manager(log, args.timeout)
        GLib.MainLoop().run()


if __name__ == "__main__":
    main()
