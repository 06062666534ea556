#!/usr/bin/python3
"""Presses keys in the private Wayland session, as a person at the keyboard would.

    wayland-keys.py key COMBO...      e.g. key ctrl+v   key shift+Return   key Escape
    wayland-keys.py type TEXT         types printable ASCII (US layout)
    wayland-keys.py click X,Y         a left click at the point (KWin only)
    wayland-keys.py serve-mutter SOCKET

A Wayland desktop lets no ordinary program inject keys, so each compositor has its own road:

- mutter: a RemoteDesktop session (org.gnome.Mutter.RemoteDesktop). Only the process that created
  the session may drive it, and the session ends when that process leaves the bus, so
  run-in-wayland-session.sh starts `serve-mutter` once; the other commands hand their keys to it
  over the Unix socket named by QUILLET_KEYS_SOCKET. The session also gives the headless seat its
  keyboard, without which no window gets the focus.
- KWin: the org_kde_kwin_fake_input Wayland interface, spoken here directly on the compositor's
  socket (a few fixed-size messages). KWin offers it to any client only when started with
  KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 (run-in-wayland-session.sh --fake-input), or, with the
  checks on, to the programs whose desktop entries ask for it: run-in-wayland-session.sh writes one
  for the Python that runs this script.

Exit status 0 when every key was delivered, 1 otherwise (with the reason on standard error).
"""
import os
import socket
import struct
import sys
import time

# Key names: X keysym (mutter) and Linux evdev code (KWin).
NAMED = {
    "ctrl": (0xFFE3, 29), "control": (0xFFE3, 29), "shift": (0xFFE1, 42), "alt": (0xFFE9, 56),
    "super": (0xFFEB, 125), "return": (0xFF0D, 28), "enter": (0xFF0D, 28), "escape": (0xFF1B, 1),
    "tab": (0xFF09, 15), "backspace": (0xFF08, 14), "delete": (0xFFFF, 111), "space": (0x20, 57),
    "home": (0xFF50, 102), "end": (0xFF57, 107), "left": (0xFF51, 105), "up": (0xFF52, 103),
    "right": (0xFF53, 106), "down": (0xFF54, 108),
}
# The US layout: unshifted and shifted characters of each evdev key.
US_ROWS = [
    (2, "1234567890-=", "!@#$%^&*()_+"),
    (16, "qwertyuiop[]", "QWERTYUIOP{}"),
    (30, "asdfghjkl;'`", 'ASDFGHJKL:"~'),
    (43, "\\zxcvbnm,./", "|ZXCVBNM<>?"),
]
US_KEYS = {" ": (57, False), "\n": (28, False), "\t": (15, False)}
for first, plain, shifted in US_ROWS:
    for i, (p, s) in enumerate(zip(plain, shifted)):
        US_KEYS[p] = (first + i, False)
        US_KEYS[s] = (first + i, True)
SHIFT = NAMED["shift"]


def fail(message):
    print(f"wayland-keys: {message}", file=sys.stderr)
    sys.exit(1)


def parse_combo(combo):
    """A combination such as ctrl+shift+v as a list of (keysym, evdev) pairs, modifiers first."""
    keys = []
    for part in combo.split("+"):
        name = part.lower()
        if name in NAMED:
            keys.append(NAMED[name])
        elif len(part) == 1 and part.lower() in US_KEYS:
            keys.append((ord(part.lower()), US_KEYS[part.lower()][0]))
        elif len(name) > 1 and name[0] == "f" and name[1:].isdigit() and 1 <= int(name[1:]) <= 12:
            n = int(name[1:])
            keys.append((0xFFBE + n - 1, 59 + n - 1 if n <= 10 else 87 + n - 11))
        else:
            fail(f"unknown key {part!r}")
    return keys


def presses(command, args):
    """The (keysym, evdev, down) steps of a command."""
    steps = []
    if command == "key":
        for combo in args:
            keys = parse_combo(combo)
            steps += [(s, e, True) for s, e in keys] + [(s, e, False) for s, e in reversed(keys)]
    elif command == "type":
        for ch in " ".join(args):
            if ch not in US_KEYS:
                fail(f"cannot type {ch!r}: only printable ASCII")
            code, shifted = US_KEYS[ch]
            sym = {"\n": 0xFF0D, "\t": 0xFF09}.get(ch, ord(ch))
            if shifted:
                steps.append((SHIFT[0], SHIFT[1], True))
            steps += [(sym, code, True), (sym, code, False)]
            if shifted:
                steps.append((SHIFT[0], SHIFT[1], False))
    else:
        fail(f"unknown command {command!r}")
    return steps


# --- mutter: the RemoteDesktop session, held by one long-running process -----------------------


def serve_mutter(path):
    from gi.repository import Gio, GLib

    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    name = "org.gnome.Mutter.RemoteDesktop"
    rd = Gio.DBusProxy.new_sync(bus, 0, None, name, "/org/gnome/Mutter/RemoteDesktop", name, None)
    session_path = rd.call_sync("CreateSession", None, 0, -1, None).unpack()[0]
    session = Gio.DBusProxy.new_sync(bus, 0, None, name, session_path, name + ".Session", None)
    session.call_sync("Start", None, 0, -1, None)

    def key(sym, down):
        session.call_sync("NotifyKeyboardKeysym", GLib.Variant("(ub)", (sym, down)), 0, -1, None)

    # mutter drops the first key of a new session: a lone Shift costs nothing.
    key(SHIFT[0], True)
    key(SHIFT[0], False)

    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(4)
    print("ready", flush=True)
    while True:
        connection, _ = server.accept()
        with connection, connection.makefile("rw") as stream:
            line = stream.readline().rstrip("\n")
            try:
                command, _, rest = line.partition(" ")
                for sym, _, down in presses(command, rest.split("\x1f") if rest else []):
                    key(sym, down)
                stream.write("ok\n")
            except SystemExit:
                stream.write("error: cannot send that\n")
            except Exception as error:  # a D-Bus failure is the caller's answer, not the server's end
                stream.write(f"error: {error}\n")


def send_mutter(command, args):
    path = os.environ.get("QUILLET_KEYS_SOCKET")
    if not path:
        fail("QUILLET_KEYS_SOCKET is not set: run inside run-in-wayland-session.sh --compositor mutter")
    presses(command, args)  # refuse bad input here, with its own message
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
        connection.connect(path)
        connection.sendall(f"{command} {chr(0x1F).join(args)}\n".encode())
        answer = connection.makefile().readline().strip()
    if answer != "ok":
        fail(answer or "no answer from the key server")


# --- KWin: org_kde_kwin_fake_input on the Wayland socket ----------------------------------------


class Wayland:
    """Just enough of the Wayland wire protocol for a registry, a bind, a few requests and a sync."""

    def __init__(self):
        runtime = os.environ.get("XDG_RUNTIME_DIR", "")
        display = os.environ.get("WAYLAND_DISPLAY", "wayland-0")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(display if display.startswith("/") else os.path.join(runtime, display))
        self.next_id = 2
        self.buffer = b""

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    @staticmethod
    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def events(self):
        while True:
            while len(self.buffer) < 8 or len(self.buffer) < (struct.unpack_from("<I", self.buffer, 4)[0] >> 16):
                chunk = self.sock.recv(65536)
                if not chunk:
                    fail("the compositor closed the connection")
                self.buffer += chunk
            obj, word = struct.unpack_from("<II", self.buffer)
            size = word >> 16
            body, self.buffer = self.buffer[8:size], self.buffer[size:]
            yield obj, word & 0xFFFF, body

    def roundtrip(self, on_event=lambda obj, opcode, body: None):
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        for obj, opcode, body in self.events():
            if obj == 1 and opcode == 0:  # wl_display.error
                _, code = struct.unpack_from("<II", body)
                message = body[12:].split(b"\0")[0].decode(errors="replace")
                fail(f"protocol error {code}: {message}")
            if obj == callback:
                return
            on_event(obj, opcode, body)


def send_kwin(command, args):
    steps = [] if command == "click" else presses(command, args)
    wl = Wayland()
    registry = wl.new_id()
    wl.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
    found = {}

    def on_global(obj, opcode, body):
        if obj == registry and opcode == 0:
            name, length = struct.unpack_from("<II", body)
            interface = body[8 : 8 + length - 1].decode()
            found[interface] = (name, struct.unpack_from("<I", body, 8 + length + (-length % 4))[0])

    wl.roundtrip(on_global)
    if "org_kde_kwin_fake_input" not in found:
        fail("KWin offers no fake input to this program: no desktop entry of it asks for it, nor --fake-input")
    name, version = found["org_kde_kwin_fake_input"]
    if version < 4:
        fail("KWin's fake input has no keyboard")
    fake = wl.new_id()
    interface = "org_kde_kwin_fake_input"
    wl.send(registry, 0, struct.pack("<I", name) + Wayland.string(interface) + struct.pack("<II", 4, fake))
    wl.send(fake, 0, Wayland.string("Quillet tests") + Wayland.string("drives the test session"))
    if command == "click":
        # KWin gives the seat its fake pointer only while a client of this interface is connected:
        # the program under it needs a moment to take it before the press.
        x, y = (float(v) for v in args[0].split(","))
        wl.roundtrip()
        time.sleep(0.3)
        wl.send(fake, 9, struct.pack("<ii", int(x * 256), int(y * 256)))  # pointer_motion_absolute
        wl.roundtrip()
        for state in (1, 0):
            wl.send(fake, 2, struct.pack("<II", 0x110, state))  # button: BTN_LEFT
        wl.roundtrip()
        return
    for _, code, down in steps:
        wl.send(fake, 10, struct.pack("<II", code, 1 if down else 0))  # keyboard_key
    wl.roundtrip()


def main():
    if len(sys.argv) < 2:
        fail("usage: wayland-keys.py key COMBO... | type TEXT | serve-mutter SOCKET")
    command, args = sys.argv[1], sys.argv[2:]
    if command == "serve-mutter":
        serve_mutter(args[0])
    elif os.environ.get("QUILLET_COMPOSITOR") == "kwin":
        send_kwin(command, args)
    else:
        send_mutter(command, args)


if __name__ == "__main__":
    main()
