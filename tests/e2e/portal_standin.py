#!/usr/bin/env python3
"""A stand-in portal backend for the Wayland end-to-end tests.

Owns org.freedesktop.impl.portal.desktop.tesratest and serves GlobalShortcuts (the frontend forwards
the program's sessions here), Access (the frontend's permission question) and a Screenshot that only asks
its own permission question, as GNOME's backend does, and takes no picture (answered with the set answer).
A test-only interface, com.kestal.TesraTest.Portal, presses a bound shortcut, sets the next answers
(0 granted, 1 cancelled, 2 refused) and tells what happened. Every event is also appended to the
file named by the first argument, one line each.
"""
import sys

from gi.repository import Gio, GLib

NAME = 'org.freedesktop.impl.portal.desktop.tesratest'
PATH = '/org/freedesktop/portal/desktop'
XML = '''<node>
  <interface name="org.freedesktop.impl.portal.GlobalShortcuts">
    <method name="CreateSession">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="BindShortcuts">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="a(sa{sv})" direction="in"/>
      <arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="ListShortcuts">
      <arg type="o" direction="in"/><arg type="o" direction="in"/>
      <arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <signal name="Activated">
      <arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/>
    </signal>
    <signal name="Deactivated">
      <arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/>
    </signal>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.impl.portal.Access">
    <method name="AccessDialog">
      <arg type="o" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.impl.portal.Screenshot">
    <method name="Screenshot">
      <arg type="o" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="com.kestal.TesraTest.Portal">
    <method name="Press"><arg type="s" name="trigger" direction="in"/><arg type="b" direction="out"/></method>
    <method name="SetAnswer">
      <arg type="s" name="question" direction="in"/><arg type="u" name="answer" direction="in"/>
    </method>
  </interface>
</node>'''
SESSION_XML = '''<node>
  <interface name="org.freedesktop.impl.portal.Session">
    <method name="Close"/>
    <signal name="Closed"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>'''


class Backend:
    def __init__(self, bus, log):
        self.bus = bus
        self.log = log
        self.answers = {'bind': 0, 'access': 0, 'screenshot': 2}
        self.sessions = {}  # session path -> (registration id, {shortcut id: trigger})
        self.session_info = Gio.DBusNodeInfo.new_for_xml(SESSION_XML).interfaces[0]
        for info in Gio.DBusNodeInfo.new_for_xml(XML).interfaces:
            bus.register_object(PATH, info, self.call, self.get_property, None)

    def note(self, line):
        with open(self.log, 'a', encoding='utf-8') as f:
            f.write(line + '\n')

    def get_property(self, bus, sender, path, interface, name):
        return GLib.Variant('u', 1)

    @staticmethod
    def shortcut_list(shortcuts):
        return {sid: props.get('preferred_trigger', '') for sid, props in shortcuts}

    def bound(self, path):
        triggers = self.sessions[path][1]
        return GLib.Variant('a(sa{sv})', [
            (sid, {'description': GLib.Variant('s', sid), 'trigger_description': GLib.Variant('s', trigger)})
            for sid, trigger in triggers.items()])

    def call(self, bus, sender, path, interface, method, params, invocation):
        args = params.unpack()
        if method == 'CreateSession':
            handle, session, app_id, options = args
            triggers = self.shortcut_list(options.get('shortcuts', []))
            rid = bus.register_object(session, self.session_info, self.session_call, self.get_property, None)
            self.sessions[session] = (rid, triggers)
            self.note('create %s app=%s token=%s %s' % (
                session, app_id, session.rsplit('/', 1)[-1], ' '.join('%s=%s' % kv for kv in triggers.items())))
            invocation.return_value(GLib.Variant('(ua{sv})', (0, {})))
        elif method == 'BindShortcuts':
            handle, session, shortcuts, parent, options = args
            answer = self.answers['bind']
            if session in self.sessions:
                self.sessions[session] = (self.sessions[session][0], self.shortcut_list(shortcuts))
            self.note('bind %s %s answer=%d' % (
                session, ' '.join('%s=%s' % kv for kv in self.shortcut_list(shortcuts).items()), answer))
            results = {'shortcuts': self.bound(session)} if answer == 0 and session in self.sessions else {}
            invocation.return_value(GLib.Variant('(ua{sv})', (answer, results)))
        elif method == 'ListShortcuts':
            handle, session = args
            results = {'shortcuts': self.bound(session)} if session in self.sessions else {}
            invocation.return_value(GLib.Variant('(ua{sv})', (0, results)))
        elif method == 'AccessDialog':
            answer = self.answers['access']
            self.note('access app=%s title=%s answer=%d' % (args[1], args[3], answer))
            invocation.return_value(GLib.Variant('(ua{sv})', (answer, {})))
        elif method == 'Screenshot':
            answer = self.answers['screenshot']
            self.note('screenshot app=%s interactive=%s answer=%d' % (args[1], args[3].get('interactive'), answer))
            invocation.return_value(GLib.Variant('(ua{sv})', (answer, {})))
        elif method == 'Press':
            trigger = args[0]
            pressed = False
            for session, (_, triggers) in self.sessions.items():
                for sid, t in triggers.items():
                    if t == trigger:
                        bus.emit_signal(None, PATH, 'org.freedesktop.impl.portal.GlobalShortcuts', 'Activated',
                                        GLib.Variant('(osta{sv})', (session, sid, 0, {})))
                        bus.emit_signal(None, PATH, 'org.freedesktop.impl.portal.GlobalShortcuts', 'Deactivated',
                                        GLib.Variant('(osta{sv})', (session, sid, 0, {})))
                        pressed = True
            self.note('press %s %s' % (trigger, 'sent' if pressed else 'unbound'))
            invocation.return_value(GLib.Variant('(b)', (pressed,)))
        elif method == 'SetAnswer':
            self.answers[args[0]] = args[1]
            invocation.return_value(None)

    def session_call(self, bus, sender, path, interface, method, params, invocation):
        if method == 'Close' and path in self.sessions:
            bus.unregister_object(self.sessions.pop(path)[0])
            self.note('close %s' % path)
        invocation.return_value(None)


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    Backend(bus, sys.argv[1])
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.NONE, None, lambda *a: loop.quit())
    loop.run()


if __name__ == '__main__':
    main()
