#!/usr/bin/python3
"""Reads (and optionally presses) an application's widgets through AT-SPI, as a screen reader would.

    atspi_query.py PID [--press NAME | --press-described DESCRIPTION]

Prints one line per accessible of the application with process id PID: role, a tab, name, a tab, and
its text (Text interface) if it has one. With --press, performs the first action of the first push
button (or toggle button or check box, as tabs are) named NAME and prints "pressed NAME";
--press-described picks the button by its description instead. Exit status 1 when the application is
not found.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def find_app(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        count = node.get_child_count()
    except Exception:
        return
    for i in range(count):
        try:
            child = node.get_child_at_index(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def text_of(node):
    try:
        text = node.get_text_iface()
        if text is not None:
            return text.get_text(0, text.get_character_count())
    except Exception:
        pass
    return ""


def main():
    pid = int(sys.argv[1])
    press = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--press" else None
    described = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--press-described" else None
    app = None
    for _ in range(100):
        app = find_app(pid)
        if app is not None:
            break
        time.sleep(0.05)
    if app is None:
        print("application not found", file=sys.stderr)
        return 1
    for node in walk(app):
        try:
            role, name = node.get_role_name(), node.get_name()
        except Exception:
            continue
        text = text_of(node).replace("\n", "\\n")
        print(f"{role}\t{name}\t{text}")
        if press and role in ("push button", "toggle button", "check box") and name == press:
            node.get_action_iface().do_action(0)
            print(f"pressed {press}")
            press = None
        if described and role == "push button":
            try:
                description = node.get_description()
            except Exception:
                description = ""
            if description == described:
                node.get_action_iface().do_action(0)
                print(f"pressed {described}")
                described = None
    return 0


sys.exit(main())
