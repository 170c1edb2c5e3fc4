#!/usr/bin/python3
"""Reads a running tarvio window through the accessibility bus (AT-SPI), as
a screen reader does: libatspi (pyatspi) to find things and to press them,
plain D-Bus calls on the same bus to read fast.

    busreader.py PID

finds the window of process PID on the bus, prints {"ready": true} and then
answers each command read on stdin with one JSON line on stdout. Every
answer carries the milliseconds the program took to answer ("ms").

    read                 the captions of Frame1 and Frame2
    cell ROW COLUMN      the text of a cell of the result list (0-based)
    press NAME           the press action of the push button or menu item NAME
    stream DEPTH [GAP]   reads Frame2's caption over and over, DEPTH requests
                         under way at a time, each asked GAP ms (default 0)
                         after the one before it was answered, until the
                         line "stop"; then answers with every caption read
                         and its time
    endbus               ends the accessibility bus under everyone's feet
    quit

A failed call is answered as {"error": TEXT}. Used by tst_accessibilitybus
and by bench_batch (stream only).
"""

import json
import os
import signal
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

ACCESSIBLE = "org.a11y.atspi.Accessible"
# Below these the objects are rows and cells: thousands of them, and not
# what is looked for.
LEAF_ROLES = {"table", "tree table", "tree", "list", "list box"}


def say(**answer):
    sys.stdout.write(json.dumps(answer, ensure_ascii=False) + "\n")
    sys.stdout.flush()


def milliseconds(since):
    return round((time.monotonic() - since) * 1000, 2)


def find_application(pid):
    # The program registers itself once its bridge is up; it is waited for
    # a bounded number of times.
    for _ in range(600):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == pid:
                return app
        time.sleep(0.05)
    return None


def walk(accessible):
    yield accessible
    if accessible.get_role_name() in LEAF_ROLES:
        return
    for i in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


class Reader:
    def __init__(self, app):
        self.pressable = {}
        self.list = None
        for accessible in walk(app):
            role = accessible.get_role_name()
            if role in ("push button", "menu item"):
                self.pressable.setdefault(accessible.get_name(), accessible)
            elif role in LEAF_ROLES and self.list is None:
                self.list = accessible
        # The frames are the panels that hold the query buttons.
        self.frame1 = self.pressable["查询手机归属地"].get_parent()
        self.frame2 = self.pressable["批量查询"].get_parent()
        self.bus = Gio.DBusConnection.new_for_address_sync(
            a11y_bus_address(),
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None,
            None,
        )
        self.bus_name = self.frame2.app.bus_name
        self.frame2_path = self.frame2.path
        self.stream = None

    def name(self, accessible):
        # A fresh read every time, not what libatspi may have kept.
        Atspi.Accessible.clear_cache(accessible)
        start = time.monotonic()
        text = accessible.get_name()
        return text, milliseconds(start)

    def read(self):
        frame1, ms1 = self.name(self.frame1)
        frame2, ms2 = self.name(self.frame2)
        say(frame1=frame1, frame2=frame2, ms=max(ms1, ms2))

    def cell(self, row, column):
        start = time.monotonic()
        cell = self.list.get_accessible_at(row, column)
        text = cell.get_name() if cell is not None else None
        say(text=text, ms=milliseconds(start))

    def press(self, name):
        target = self.pressable[name]
        start = time.monotonic()
        ok = target.do_action(0)
        say(ok=bool(ok), ms=milliseconds(start))

    def start_stream(self, depth, gap):
        self.stream = {"names": [], "ms": [], "under_way": 0, "stopping": False, "gap": gap}
        for _ in range(depth):
            self.ask_name()

    def ask_name(self):
        self.stream["under_way"] += 1
        self.bus.call(
            self.bus_name,
            self.frame2_path,
            "org.freedesktop.DBus.Properties",
            "Get",
            GLib.Variant("(ss)", (ACCESSIBLE, "Name")),
            GLib.VariantType("(v)"),
            Gio.DBusCallFlags.NONE,
            10000,
            None,
            self.name_read,
            time.monotonic(),
        )

    def name_read(self, bus, result, start):
        stream = self.stream
        stream["under_way"] -= 1
        try:
            name = bus.call_finish(result).unpack()[0]
        except GLib.Error as error:
            name = "error: " + error.message
        stream["names"].append(name)
        stream["ms"].append(milliseconds(start))
        if not stream["stopping"]:
            if stream["gap"] > 0:
                stream["under_way"] += 1
                GLib.timeout_add(stream["gap"], self.ask_after_gap)
            else:
                self.ask_name()
        elif stream["under_way"] == 0:
            say(names=stream["names"], ms=stream["ms"])
            self.stream = None

    def ask_after_gap(self):
        self.stream["under_way"] -= 1
        self.ask_name()
        return False

    def stop_stream(self):
        self.stream["stopping"] = True

    def end_bus(self):
        driver = self.bus.call_sync(
            "org.freedesktop.DBus",
            "/org/freedesktop/DBus",
            "org.freedesktop.DBus",
            "GetConnectionUnixProcessID",
            GLib.Variant("(s)", ("org.freedesktop.DBus",)),
            None,
            Gio.DBusCallFlags.NONE,
            -1,
            None,
        ).unpack()[0]
        os.kill(driver, signal.SIGTERM)
        say(ended=True)


def a11y_bus_address():
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = session.call_sync(
        "org.a11y.Bus",
        "/org/a11y/bus",
        "org.a11y.Bus",
        "GetAddress",
        None,
        GLib.VariantType("(s)"),
        Gio.DBusCallFlags.NONE,
        -1,
        None,
    )
    return reply.unpack()[0]


def main():
    pid = int(sys.argv[1])
    Atspi.init()
    app = find_application(pid)
    if app is None:
        say(error="process %d is not on the accessibility bus" % pid)
        return 1
    reader = Reader(app)
    loop = GLib.MainLoop()

    pending = [b""]

    def run(line):
        words = line.split(" ", 1)
        what, rest = words[0].strip(), (words[1].strip() if len(words) > 1 else "")
        try:
            if what == "read":
                reader.read()
            elif what == "cell":
                row, column = rest.split()
                reader.cell(int(row), int(column))
            elif what == "press":
                reader.press(rest)
            elif what == "stream":
                depth, _, gap = rest.partition(" ")
                reader.start_stream(int(depth), int(gap or 0))
            elif what == "stop":
                reader.stop_stream()
            elif what == "endbus":
                reader.end_bus()
            elif what == "quit":
                loop.quit()
            else:
                say(error="unknown command " + what)
        except (GLib.Error, KeyError, AttributeError, ValueError) as error:
            say(error="%s: %s" % (type(error).__name__, error))

    def command(channel, condition):
        data = os.read(sys.stdin.fileno(), 65536)
        if not data:
            loop.quit()
            return False
        lines = (pending[0] + data).split(b"\n")
        pending[0] = lines.pop()
        for line in lines:
            run(line.decode("utf-8"))
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    say(ready=True)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
