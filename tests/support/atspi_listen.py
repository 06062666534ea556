#!/usr/bin/python3
"""Listens on the accessibility bus as any program on the desktop may, and tells what it hears.

    atspi_listen.py

Registers for every object, window and focus event of every application and prints one JSON object
a line for each: its type, its two details, the data it carries (text, or the name of an accessible),
and the name and description of the accessible it comes from. Prints "ready" once listening; stops
when standard input closes.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def described(node):
    try:
        return node.get_name(), node.get_description()
    except Exception:
        return "", ""


def heard(event):
    record = {"type": event.type, "detail1": event.detail1, "detail2": event.detail2}
    try:
        data = event.any_data
    except Exception:
        data = None
    if isinstance(data, Atspi.Accessible):
        data = " ".join(described(data))
    if data is not None:
        record["data"] = str(data)
    if event.source is not None:
        record["name"], record["description"] = described(event.source)
    print(json.dumps(record, ensure_ascii=False), flush=True)


def main():
    listener = Atspi.EventListener.new(heard)
    for kind in ("object:", "window:", "focus:"):
        listener.register(kind)
    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                      GLib.IOCondition.IN | GLib.IOCondition.HUP, lambda *args: Atspi.event_quit())
    print("ready", flush=True)
    Atspi.event_main()
    return 0


sys.exit(main())
