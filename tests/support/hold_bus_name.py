#!/usr/bin/python3
"""Another program holding Quillet's name on the session bus.

    hold_bus_name.py

Takes com.lumenfold.quillet, answers ShowSettings, Trigger and Quit with success as the running copy
would, and prints "owned" once the name is its own, then "heard METHOD" for every call, until it is
stopped.
"""
from gi.repository import Gio, GLib

NAME = "com.lumenfold.quillet"
XML = ('<node><interface name="com.lumenfold.quillet">'
       + "".join('<method name="%s"><arg type="x" direction="in"/></method>' % m
                 for m in ("ShowSettings", "Trigger", "Quit"))
       + "</interface></node>")
INTERFACE = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
loop = GLib.MainLoop()


def called(connection, sender, path, interface, method, parameters, invocation):
    print("heard " + method, flush=True)
    invocation.return_value(None)


def connected(connection, name):
    connection.register_object("/com/lumenfold/quillet", INTERFACE, called, None, None)


def owned(connection, name):
    print("owned", flush=True)


Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.NONE, connected, owned,
                 lambda *args: loop.quit())
loop.run()
