"""Drives a headless gnome-shell for the end-to-end tests, as a person at the keyboard would.

Keys and the clipboard go through mutter's remote desktop session; windows and the keyboard focus
come from the shell's introspection interface, which answers only callers on its allow list, so
the driver takes one of the allowed names. Reads one command a line on stdin and writes one answer
line for each (so a shell script can hold it as a coprocess):

  key CHORD...        presses each chord ("Return", "ctrl+c", "shift+Tab") and answers "ok"
  type TEXT           types the text and answers "ok"
  windows             "id<TAB>has-focus<TAB>x,y,w,h<TAB>title" for each window, then "."
  clipboard           the clipboard's text, with newlines as \\n ("" when it offers none)
  types               the MIME types the clipboard offers, separated by blanks
  own TEXT            puts the text on the clipboard as another program would, answers "ok"
  eval SCRIPT         the shell's answer to the script, in its unsafe mode (lib/gnome_unsafe)
  screenshot FILE     saves the screen as a PNG file
  window TITLE        opens a window of another program, which takes the keyboard; "ok"
  close-window        closes it again; "ok"
"""

import os
import select
import sys
import time

from gi.repository import Gio, GLib

MUTTER = "org.gnome.Mutter.RemoteDesktop"
INTROSPECT = "org.gnome.Shell.Introspect"
ALLOWED_CALLER = "org.freedesktop.impl.portal.desktop.gnome"
TEXT_TYPES = ["text/plain;charset=utf-8", "text/plain"]

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
loop = GLib.MainLoop()


def call(name, path, interface, method, args=None, reply=None, fd_list=None):
    if fd_list is None:
        return bus.call_sync(name, path, interface, method, args, reply, 0, 10000, None)
    return bus.call_with_unix_fd_list_sync(name, path, interface, method, args, reply, 0, 10000,
                                           fd_list, None)


call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
     GLib.Variant("(su)", (ALLOWED_CALLER, 4)))
SESSION = MUTTER + ".Session"


class Session:
    """A remote desktop session. A session cannot read the clipboard while it owns it, so the
    driver keeps two: one types and reads, the other plays the other program that owns it."""

    def __init__(self):
        self.path = call(MUTTER, "/org/gnome/Mutter/RemoteDesktop", MUTTER,
                         "CreateSession").unpack()[0]
        self.offered_types = []
        self.owned_text = None
        bus.signal_subscribe(MUTTER, SESSION, None, self.path, None, 0, self.on_signal)
        self.call("Start")
        self.call("EnableClipboard", GLib.Variant("(a{sv})", ({},)))

    def call(self, method, args=None, reply=None, fd_list=None):
        return call(MUTTER, self.path, SESSION, method, args, reply, fd_list)

    def on_signal(self, _conn, _sender, _path, _iface, signal, params):
        if signal == "SelectionOwnerChanged":
            types = params.unpack()[0].get("mime-types", [])
            self.offered_types = list(types[0] if types and not isinstance(types[0], str)
                                      else types)
        elif signal == "SelectionTransfer":
            _mime, serial = params.unpack()
            result = self.call("SelectionWrite", GLib.Variant("(u)", (serial,)),
                               GLib.VariantType("(h)"), Gio.UnixFDList())
            with os.fdopen(result[1].get(result[0].unpack()[0]), "wb") as out:
                out.write((self.owned_text or "").encode())
            self.call("SelectionWriteDone", GLib.Variant("(ub)", (serial, True)))


def wait_for_names():
    deadline = time.monotonic() + 60
    while True:
        names = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                     "ListNames").unpack()[0]
        if MUTTER in names and INTROSPECT in names:
            return
        if time.monotonic() > deadline:
            raise SystemExit("the shell did not come up")
        time.sleep(0.1)


wait_for_names()
main = Session()
other = Session()
other_window = None


def session_call(method, args=None, reply=None, fd_list=None):
    return main.call(method, args, reply, fd_list)


# Keys sent back to back are lost now and then (a few in ten without a gap, in runs here); with a
# gap after each press and release, hardly ever (gnome.sh starts again when one is lost).
KEY_GAP = float(os.environ.get("GN_KEY_GAP", "0.03"))
KEYSYMS = {"Return": 0xFF0D, "Tab": 0xFF09, "Escape": 0xFF1B, "Down": 0xFF54, "Up": 0xFF52,
           "Left": 0xFF51, "Right": 0xFF53, "F4": 0xFFC1, "ctrl": 0xFFE3, "shift": 0xFFE1,
           "alt": 0xFFE9, "super": 0xFFEB, "BackSpace": 0xFF08}


def keysym(name):
    if name in KEYSYMS:
        return KEYSYMS[name]
    if len(name) == 1:
        return ord(name) if ord(name) < 0x100 else 0x1000000 + ord(name)
    raise ValueError("unknown key " + name)


def press(sym, down):
    session_call("NotifyKeyboardKeysym", GLib.Variant("(ub)", (sym, down)))
    time.sleep(KEY_GAP)


def key(chord):
    parts = chord.split("+")
    mods, last = parts[:-1], parts[-1]
    for m in mods:
        press(keysym(m), True)
    press(keysym(last), True)
    press(keysym(last), False)
    for m in reversed(mods):
        press(keysym(m), False)


def windows():
    found = call(INTROSPECT, "/org/gnome/Shell/Introspect", INTROSPECT, "GetWindows").unpack()[0]
    lines = []
    for wid, props in found.items():
        geometry = ",".join(str(props.get(k, -1)) for k in ("x", "y", "width", "height"))
        lines.append("%d\t%d\t%s\t%s" % (wid, 1 if props.get("has-focus") else 0, geometry,
                                         props.get("title", "")))
    return lines + ["."]


def clipboard():
    mime = next((t for t in TEXT_TYPES if t in main.offered_types), None)
    if mime is None:
        return ""
    try:
        result = session_call("SelectionRead", GLib.Variant("(s)", (mime,)),
                              GLib.VariantType("(h)"), Gio.UnixFDList())
    except GLib.Error:
        return ""
    fd = result[1].get(result[0].unpack()[0])
    data = b""
    deadline = time.monotonic() + 10
    with os.fdopen(fd, "rb", buffering=0) as src:
        # The other session answers from this same loop, so it runs while the text comes.
        while time.monotonic() < deadline:
            GLib.MainContext.default().iteration(False)
            if not select.select([src], [], [], 0.02)[0]:
                continue
            chunk = src.read(65536)
            if not chunk:
                break
            data += chunk
    return data.decode(errors="replace").replace("\n", "\\n")


def open_window(title):
    global other_window
    import gi
    gi.require_version("Gtk", "3.0")
    from gi.repository import Gtk
    other_window = Gtk.Window(title=title)
    other_window.set_default_size(300, 200)
    other_window.add(Gtk.Entry())
    other_window.show_all()


def command(line):
    global other_window
    word, _, rest = line.rstrip("\n").partition(" ")
    if word == "key":
        for chord in rest.split():
            key(chord)
        return ["ok"]
    if word == "type":
        for c in rest:
            key(c)
        return ["ok"]
    if word == "windows":
        return windows()
    if word == "clipboard":
        return [clipboard()]
    if word == "types":
        return [" ".join(main.offered_types)]
    if word == "own":
        other.owned_text = rest
        other.call("SetSelection", GLib.Variant("(a{sv})", (
            {"mime-types": GLib.Variant("as", TEXT_TYPES)},)))
        return ["ok"]
    if word == "eval":
        ok, result = call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                          GLib.Variant("(s)", (rest,))).unpack()
        return [result.replace("\n", " ") if ok else "error: " + result.replace("\n", " ")]
    if word == "screenshot":
        call("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
             "org.gnome.Shell.Screenshot", "Screenshot", GLib.Variant("(bbs)", (False, False, rest)))
        return ["ok"]
    if word == "window":
        open_window(rest)
        return ["ok"]
    if word == "close-window":
        other_window.destroy()
        other_window = None
        return ["ok"]
    return ["error: unknown command " + word]


def on_input(channel, _condition):
    line = channel.readline()
    if not line:
        loop.quit()
        return False
    try:
        answer = command(line)
    except Exception as error:  # reported to the test, which fails with it
        answer = ["error: " + str(error).replace("\n", " ")]
    sys.stdout.write("\n".join(answer) + "\n")
    sys.stdout.flush()
    return True


GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                  GLib.IOCondition.IN | GLib.IOCondition.HUP, on_input)
print("ready", flush=True)
loop.run()
