#!/usr/bin/python3
# A plain GTK 3 text view for the tests: it holds the bytes of a file as they are (CR LF included,
# which a text editor would turn into its own line ends) and writes its whole text to a mirror file
# after every change, so a test can read it where accessibility cannot (NO_AT_BRIDGE=1).
#   gtk3-text-view.py TITLE TEXT_FILE MIRROR_FILE
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

title, source, mirror = sys.argv[1:4]
with open(source, "rb") as f:
    text = f.read().decode()

window = Gtk.Window(title=title)
window.set_default_size(640, 320)
view = Gtk.TextView()
buffer = view.get_buffer()
buffer.set_text(text)


def write_mirror(*_):
    start, end = buffer.get_bounds()
    with open(mirror + ".part", "wb") as f:
        f.write(buffer.get_text(start, end, True).encode())
    os.replace(mirror + ".part", mirror)


buffer.connect("changed", write_mirror)
write_mirror()
window.add(view)
window.connect("destroy", Gtk.main_quit)
window.show_all()
view.grab_focus()
Gtk.main()
