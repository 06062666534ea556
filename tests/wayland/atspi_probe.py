#!/usr/bin/python3
"""Starts an application and checks, over AT-SPI alone, what the program relies on in a Wayland session.

    atspi_probe.py [--keys] [--timeout S] -- command [args...]

Listening before the application starts (as a program started at login does), it waits until the
application's frame reports window:activate and holds the ACTIVE state, and the application reports
object:state-changed:focused for an editable text; then it reads that text, writes a new one with
set_text_contents and reads it back. With --keys it also types into the field with
tests/session/wayland-keys.py, then pastes over it (wl-copy, Control+A, Control+V), reading each back. Prints one line per step with the
milliseconds since the start; exit status 0 when every step held, 1 otherwise.
"""
import argparse
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

KEYS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "session", "wayland-keys.py")
PASTED = "Pasted from the clipboard: ünïcode 🙂"
WRITTEN = "Quillet wrote this: déjà vu, ćirilica ђ, emoji 🙂.\nSecond paragraph."


class Probe:
    def __init__(self, timeout):
        self.start = time.monotonic()
        self.timeout = timeout
        self.pid = None
        self.activated = None  # the frame of the last window:activate of the application
        self.focused = None  # the last element of the application that took the focus
        self.failed = False

    def ms(self):
        return int((time.monotonic() - self.start) * 1000)

    def say(self, what):
        print(f"{self.ms():6d} ms  {what}", flush=True)

    def fail(self, what):
        self.say(f"FAILED: {what}")
        self.failed = True

    def on_event(self, event):
        try:
            source = event.source
            if self.pid is None or source.get_process_id() != self.pid:
                return
            if event.type == "window:activate":
                self.activated = source
            elif event.type.startswith("object:state-changed:focused") and event.detail1 == 1:
                self.focused = source
        except GLib.Error:
            pass  # gone again before it could be asked: only a later event counts

    def application(self):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            try:
                app = desktop.get_child_at_index(i)
                if app is not None and app.get_process_id() == self.pid:
                    return app
            except GLib.Error:
                pass
        return None

    def active_window(self):
        """The application's window that holds ACTIVE, looked up rather than announced."""
        app = self.application()
        for i in range(app.get_child_count() if app is not None else 0):
            try:
                window = app.get_child_at_index(i)
                s = states(window)
                if s is not None and s.contains(Atspi.StateType.ACTIVE):
                    return window
            except GLib.Error:
                pass
        return None

    def wait(self, condition, seconds=None):
        """Serves AT-SPI events until `condition()` holds or the time is up."""
        deadline = time.monotonic() + (seconds or self.timeout)
        context = GLib.MainContext.default()
        while time.monotonic() < deadline:
            if condition():
                return True
            context.iteration(False) or time.sleep(0.01)
        return condition()


def states(element):
    if element is None:
        return None
    try:
        return element.get_state_set()
    except GLib.Error:
        return None


def editable_text(element):
    s = states(element)
    try:
        return s is not None and s.contains(Atspi.StateType.EDITABLE) and "Text" in element.get_interfaces()
    except GLib.Error:
        return False


def text_of(element):
    return Atspi.Text.get_text(element, 0, Atspi.Text.get_character_count(element))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--keys", action="store_true")
    parser.add_argument("--timeout", type=float, default=20)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command

    probe = Probe(options.timeout)
    listener = Atspi.EventListener.new(probe.on_event)
    listener.register("window:activate")
    listener.register("object:state-changed:focused")
    if options.keys:
        # On mutter wl-copy borrows the keyboard focus for a moment to own the clipboard: done
        # before the application starts, it cannot take keys meant for the field.
        subprocess.run(["wl-copy", PASTED], check=True)
    app = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           start_new_session=True)
    probe.pid = app.pid
    try:
        run(probe, options)
    finally:
        os.killpg(app.pid, 15)
        app.wait()
    return 1 if probe.failed else 0


def run(probe, options):
    # An application announces its window only once its accessibility bridge has learnt who
    # listens, which a busy machine can delay past the window's activation: then the window's
    # ACTIVE state is the witness, as it must be for the program itself.
    probe.wait(lambda: probe.activated is not None, min(5, probe.timeout))
    if probe.activated is None:
        if not probe.wait(lambda: probe.active_window() is not None, probe.timeout):
            return probe.fail(f"no window:activate from the application, and no window holds ACTIVE "
                              f"(on the bus: {probe.application() is not None})")
        probe.activated = probe.active_window()
        probe.say(f"no window:activate; {probe.activated.get_role_name()} holds ACTIVE")
    else:
        probe.say(f"window:activate from {probe.activated.get_role_name()} {probe.activated.get_name()!r}")
    active = states(probe.activated)
    if active is None or not active.contains(Atspi.StateType.ACTIVE):
        probe.fail("the activated frame does not hold ACTIVE")
    if not probe.wait(lambda: editable_text(probe.focused)):
        return probe.fail("no editable text took the focus")
    field = probe.focused
    probe.say(f"focused: {field.get_role_name()} (editable, focused={states(field).contains(Atspi.StateType.FOCUSED)})")

    screen = field.get_extents(Atspi.CoordType.SCREEN)
    window = field.get_extents(Atspi.CoordType.WINDOW)
    probe.say(f"extents screen ({screen.x}, {screen.y}, {screen.width}, {screen.height}), "
              f"window ({window.x}, {window.y}, {window.width}, {window.height})")

    probe.say(f"text read: {text_of(field)!r}")
    if "EditableText" not in field.get_interfaces():
        return probe.fail("the field has no EditableText")
    editable = field
    if not Atspi.EditableText.set_text_contents(editable, WRITTEN):
        probe.fail("set_text_contents refused")
    if not probe.wait(lambda: text_of(field) == WRITTEN, 5):
        probe.fail(f"read back {text_of(field)!r} after the write")
    else:
        probe.say("set_text_contents read back equal")

    if options.keys:
        Atspi.EditableText.set_text_contents(editable, "")
        typed = "Typed: ok"
        if subprocess.run([sys.executable, KEYS, "type", typed]).returncode != 0:
            return probe.fail("the keys could not be sent")
        if not probe.wait(lambda: text_of(field) == typed, 5):
            probe.fail(f"typed text reads {text_of(field)!r}")
        else:
            probe.say("typed keys read back")
        # The clipboard road: the text a background client put on the clipboard, Control+A, Control+V.
        pasted = PASTED
        if subprocess.run([sys.executable, KEYS, "key", "ctrl+a", "ctrl+v"]).returncode != 0:
            return probe.fail("the paste keys could not be sent")
        if not probe.wait(lambda: text_of(field) == pasted, 5):
            probe.fail(f"after the paste the text reads {text_of(field)!r}")
        else:
            probe.say("synthetic paste read back")


if __name__ == "__main__":
    sys.exit(main())
