#!/usr/bin/python3
"""Reads (and optionally presses) an application's widgets through AT-SPI, as a screen reader would.

    atspi_query.py PID [--press NAME | --press-described DESCRIPTION | --text | --selection |
                        --extents | --describe | --extents-of NAME | --frames | --focused] [--line]

Prints one line per accessible of the application with process id PID: role, a tab, name, a tab, and
its text (Text interface) if it has one. With --press, performs the first action of the first push
button (or toggle button or check box, as tabs are) named NAME and prints "pressed NAME";
--press-described picks the button by its description instead. With --text it prints instead, as
JSON, the text a person is writing there: that of its focused editable text, else of its longest
editable text that is showing (null when there is none); --selection, the part of it selected;
--extents, where that text lies on screen, as JSON [x, y, width, height] (null when unknown). With
--line only texts without a line break count: a single-line entry beside a document.
--describe adds each accessible's description as a column before its text; --extents-of NAME prints
"x y width height" on the screen of the first focusable accessible named NAME instead; --frames, the
focused editable text's window-relative extents and its window's size; --focused, the role of the
accessible of the application that has the keyboard (nothing when none has).
Exit status 1 when the application is not found.
"""
import json
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def find_app(pid):
    # A Qt program under GNOME also loads GTK, which registers a second, empty application for the
    # same process: the one with windows is the program's. Before it has any, Qt's rather than the
    # stowaway GTK one.
    desktop = Atspi.get_desktop(0)
    best, best_rank = None, None
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
            rank = (app.get_child_count() > 0, (app.get_toolkit_name() or "").lower() != "gtk")
        except Exception:
            continue
        if best_rank is None or rank > best_rank:
            best, best_rank = app, rank
    return best


def walk(node, depth=0):
    if node is None or depth > 60:
        return
    yield node
    try:
        count = node.get_child_count()
        # A list or table of thousands is not where text is written; an office document's few
        # paragraphs on screen are.
        if count > 200 and node.get_state_set().contains(Atspi.StateType.MANAGES_DESCENDANTS):
            return
    except Exception:
        return
    for i in range(count):
        try:
            child = node.get_child_at_index(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def text_between(text, start, end):
    # Called through the interface: the text interface is the accessible itself, and newer PyGObject
    # finds the accessible's own get_text (the old way to ask for the interface) first.
    return Atspi.Text.get_text(text, start, end)


def text_of(node):
    try:
        text = node.get_text_iface()
        if text is not None:
            return text_between(text, 0, text.get_character_count())
    except Exception:
        pass
    return ""


def selected(text):
    if text.get_n_selections() < 1:
        return ""
    r = Atspi.Text.get_selection(text, 0)
    return text_between(text, min(r.start_offset, r.end_offset), max(r.start_offset, r.end_offset))


def extents(node):
    r = node.get_component_iface().get_extents(Atspi.CoordType.SCREEN)
    return [r.x, r.y, r.width, r.height]


def written_text(app, want, line=False):
    focused, longest, longest_len = None, None, -1
    for node in walk(app):
        try:
            states = node.get_state_set()
            text = node.get_text_iface()
            if text is None or not states.contains(Atspi.StateType.EDITABLE):
                continue
            whole = text_between(text, 0, text.get_character_count())
            if line and "\n" in whole:
                continue
            value = selected(text) if want == "--selection" else extents(node) if want == "--extents" else whole
        except Exception:
            continue
        if states.contains(Atspi.StateType.FOCUSED):
            focused = value
        if (states.contains(Atspi.StateType.SHOWING) or states.contains(Atspi.StateType.VISIBLE)) and (
            len(whole) > longest_len
        ):
            longest, longest_len = value, len(whole)
    return focused if focused is not None else longest


def window_frames(app):
    """The focused editable text's extents relative to its window, and its top-level window's size,
    as the toolkit answers them: what a Wayland compositor's window rectangles are added to."""
    for node in walk(app):
        try:
            states = node.get_state_set()
            if node.get_text_iface() is None or not states.contains(Atspi.StateType.EDITABLE):
                continue
            if not states.contains(Atspi.StateType.FOCUSED):
                continue
            top = node
            while top.get_parent() is not None and top.get_parent().get_role() != Atspi.Role.APPLICATION:
                top = top.get_parent()
            f = node.get_extents(Atspi.CoordType.WINDOW)
            t = top.get_extents(Atspi.CoordType.WINDOW)
            return {"field": [f.x, f.y, f.width, f.height], "top": [t.width, t.height]}
        except Exception:
            continue
    return None


def main():
    pid = int(sys.argv[1])
    mode = sys.argv[2] if len(sys.argv) > 2 else None
    press = sys.argv[3] if mode == "--press" and len(sys.argv) > 3 else None
    described = sys.argv[3] if mode == "--press-described" and len(sys.argv) > 3 else None
    app = None
    for _ in range(100):
        app = find_app(pid)
        if app is not None:
            break
        time.sleep(0.05)
    if mode == "--frames":
        print(json.dumps(window_frames(app) if app else None))
        return 0
    if mode in ("--text", "--selection", "--extents"):
        print(json.dumps(written_text(app, mode, "--line" in sys.argv[3:]) if app else None))
        return 0
    if app is None:
        print("application not found", file=sys.stderr)
        return 1
    if mode == "--focused":
        for node in walk(app):
            try:
                if node.get_state_set().contains(Atspi.StateType.FOCUSED):
                    print(node.get_role_name())
                    return 0
            except Exception:
                continue
        return 0
    if mode == "--extents-of":
        for node in walk(app):
            try:
                if node.get_name() == sys.argv[3] and node.get_state_set().contains(Atspi.StateType.FOCUSABLE):
                    r = node.get_component_iface().get_extents(Atspi.CoordType.SCREEN)
                    print(f"{r.x} {r.y} {r.width} {r.height}")
                    return 0
            except Exception:
                continue
        return 1
    for node in walk(app):
        try:
            role, name = node.get_role_name(), node.get_name()
            # AT-SPI 2.50 and later name the push button role "button".
            role = "push button" if role == "button" else role
        except Exception:
            continue
        text = text_of(node).replace("\n", "\\n")
        if mode == "--describe":
            try:
                description = node.get_description()
            except Exception:
                description = ""
            print(f"{role}\t{name}\t{description}\t{text}")
            continue
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
