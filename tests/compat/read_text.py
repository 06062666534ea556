#!/usr/bin/python3
"""Prints, as JSON, the text a person is writing in the application with process id PID.

    read_text.py [--selection] PID

That is the text of its focused editable text element, else of its longest editable text that is
showing; with --selection, the text selected in it. Read through AT-SPI, as a screen reader reads
it. Prints null when there is none.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def find_app(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        try:
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def walk(node, depth=0):
    if node is None or depth > 60:
        return
    yield node
    try:
        states = node.get_state_set()
        count = node.get_child_count()
        # A list or table of thousands is not where text is written; an office document's few
        # paragraphs on screen are.
        if states.contains(Atspi.StateType.MANAGES_DESCENDANTS) and count > 200:
            return
    except Exception:
        return
    for i in range(count):
        try:
            yield from walk(node.get_child_at_index(i), depth + 1)
        except Exception:
            continue


def selected(text):
    if text.get_n_selections() < 1:
        return ""
    r = text.get_selection(0)
    return text.get_text(min(r.start_offset, r.end_offset), max(r.start_offset, r.end_offset))


def main():
    want_selection = sys.argv[1] == "--selection"
    app = find_app(int(sys.argv[-1]))
    focused, longest = None, None
    for node in walk(app) if app else []:
        try:
            states = node.get_state_set()
            text = node.get_text_iface()
            if text is None or not states.contains(Atspi.StateType.EDITABLE):
                continue
            value = selected(text) if want_selection else text.get_text(0, text.get_character_count())
        except Exception:
            continue
        if states.contains(Atspi.StateType.FOCUSED):
            focused = value
        if (states.contains(Atspi.StateType.SHOWING) or states.contains(Atspi.StateType.VISIBLE)) and (
            longest is None or len(value) > len(longest)
        ):
            longest = value
    print(json.dumps(focused if focused is not None else longest))
    return 0


sys.exit(main())
