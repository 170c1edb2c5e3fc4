#!/usr/bin/python3
"""Reads a running tarvio window over the accessibility bus (AT-SPI) as a
screen reader does: pyatspi to find and press, plain D-Bus calls to read.
Used by tst_accessibilitybus and bench_batch.

    busreader.py PID

Prints {"ready": true}, then answers each stdin command with a JSON line
(a failed call: {"error": TEXT}):

    read                 the captions of Frame1 and Frame2, with "ms"
    walk                 one walk: {"ms", "calls", "calls_ms", "slowest",
                         "slowest_call", "frame1", "frame2", "rows"}
    walks                walks over and over ({"walked": WALK} each) until
                         "stop", answered {"stopped": COUNT}
    press NAME           presses the button or menu item NAME: {"ok", "ms"}
    stream DEPTH [GAP]   reads Frame2's caption, DEPTH requests under way,
                         each GAP ms after the last answer, until "stop"
    endbus               ends the accessibility bus under everyone's feet
    quit

A walk makes one plain D-Bus call after the other (no libatspi cache): every
object's role, name and child count, each child by index; of a list only the
column headers and the cells shown, so it is as long for 4 rows as 100,000.
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
NULL_PATH = "/org/a11y/atspi/null"
# Below these are rows and cells, thousands of them.
LIST_ROLES = {int(getattr(Atspi.Role, role)) for role in ("TABLE", "TREE_TABLE", "TREE", "LIST", "LIST_BOX")}
HEADER_ROLES = {int(Atspi.Role.COLUMN_HEADER), int(Atspi.Role.TABLE_COLUMN_HEADER)}
SHOWING = 1 << int(Atspi.StateType.SHOWING)
# A call that has not been answered after this long fails the walk.
CALL_TIMEOUT_MS = 20000


def say(**answer):
    sys.stdout.write(json.dumps(answer, ensure_ascii=False) + "\n")
    sys.stdout.flush()


def milliseconds(since):
    return round((time.monotonic() - since) * 1000, 2)


def find_application(pid):
    # The program registers itself once its bridge is up: waited for 30 s.
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
    if int(accessible.get_role()) in LIST_ROLES:
        return
    for i in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


class Reader:
    def __init__(self, app):
        self.pressable = {}
        for accessible in walk(app):
            if accessible.get_role_name() in ("push button", "menu item"):
                self.pressable.setdefault(accessible.get_name(), accessible)
        # The frames are the panels that hold the query buttons.
        self.frame1 = self.pressable["查询手机归属地"].get_parent()
        self.frame2 = self.pressable["批量查询"].get_parent()
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        self.bus = Gio.DBusConnection.new_for_address_sync(a11y_bus_address(), flags, None, None)
        self.bus_name = self.frame2.app.bus_name
        self.stream = None
        self.walking = None
        window = self.frame2
        while window.get_role() != Atspi.Role.FRAME:
            window = window.get_parent()
        self.walker = Walker(self.bus, self.bus_name, window.path, self.frame1.path, self.frame2.path)

    def read(self):
        start = time.monotonic()
        # A fresh read every time, not what libatspi may have kept.
        names = {}
        for key, frame in (("frame1", self.frame1), ("frame2", self.frame2)):
            Atspi.Accessible.clear_cache(frame)
            names[key] = frame.get_name()
        say(**names, ms=milliseconds(start))

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
        args = GLib.Variant("(ss)", (ACCESSIBLE, "Name"))
        self.bus.call(self.bus_name, self.frame2.path, "org.freedesktop.DBus.Properties", "Get", args,
                      GLib.VariantType("(v)"), Gio.DBusCallFlags.NONE, 10000, None, self.name_read, time.monotonic())

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
            stream["under_way"] += 1
            GLib.timeout_add(stream["gap"], self.ask_after_gap)
        elif stream["under_way"] == 0:
            say(names=stream["names"], ms=stream["ms"])
            self.stream = None

    def ask_after_gap(self):
        self.stream["under_way"] -= 1
        self.ask_name()
        return False

    def stop(self):
        for going in (self.walking, self.stream):
            if going is not None:
                going["stopping"] = True

    def walk(self):
        say(**self.walker.walk())

    def start_walks(self):
        self.walking = {"count": 0, "stopping": False}
        GLib.timeout_add(0, self.walk_on)

    def walk_on(self):
        walking = self.walking
        if walking["stopping"]:
            say(stopped=walking["count"])
            self.walking = None
            return False
        try:
            say(walked=self.walker.walk())
        except GLib.Error as error:
            say(walked={"error": error.message})
        walking["count"] += 1
        GLib.timeout_add(0, self.walk_on)
        return False

    def end_bus(self):
        bus = "org.freedesktop.DBus"
        driver = self.bus.call_sync(bus, "/org/freedesktop/DBus", bus, "GetConnectionUnixProcessID",
                                    GLib.Variant("(s)", (bus,)), None, Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
        os.kill(driver, signal.SIGTERM)
        say(ended=True)


class Walker:
    """Walks the main window over plain D-Bus calls, each one timed."""

    def __init__(self, bus, bus_name, window_path, frame1_path, frame2_path):
        self.bus = bus
        self.bus_name = bus_name
        self.window_path = window_path
        self.frames = {frame1_path: "frame1", frame2_path: "frame2"}
        self.walked = None

    # `where` names the object by its chain of child indices: "the window/1/0/2".
    def call(self, path, where, what, method, args, reply, interface=ACCESSIBLE):
        start = time.monotonic()
        value = self.bus.call_sync(self.bus_name, path, interface, method, args, GLib.VariantType(reply),
                                   Gio.DBusCallFlags.NONE, CALL_TIMEOUT_MS, None).unpack()[0]
        ms = milliseconds(start)
        walked = self.walked
        walked["calls"] += 1
        walked["calls_ms"].append(ms)
        if ms > walked["slowest"]:
            walked["slowest"] = ms
            walked["slowest_call"] = "%s of %s" % (what, where)
        return value

    def role_and_name(self, path, where):
        role = self.call(path, where, "GetRole", "GetRole", None, "(u)")
        return role, self.property(path, where, "Name")

    def property(self, path, where, name):
        args = GLib.Variant("(ss)", (ACCESSIBLE, name))
        return self.call(path, where, name, "Get", args, "(v)", interface="org.freedesktop.DBus.Properties")

    def child(self, path, where, index):
        args = GLib.Variant("(i)", (index,))
        return self.call(path, where, "GetChildAtIndex(%d)" % index, "GetChildAtIndex", args, "((so))")[1]

    def walk(self):
        self.walked = {"calls": 0, "calls_ms": [], "slowest": 0.0, "slowest_call": "", "rows": []}
        start = time.monotonic()
        self.visit(self.window_path, "the window")
        self.walked["ms"] = milliseconds(start)
        return self.walked

    def visit(self, path, where):
        role, name = self.role_and_name(path, where)
        count = self.property(path, where, "ChildCount")
        if path in self.frames:
            self.walked[self.frames[path]] = name
        if role in LIST_ROLES:
            self.visit_list(path, where, count)
            return
        for index in range(count):
            child = self.child(path, where, index)
            if child != NULL_PATH:
                self.visit(child, "%s/%d" % (where, index))

    def visit_list(self, path, where, count):
        # The column headers, then the cells up to the first one not shown.
        columns, cells = 0, []
        for index in range(count):
            cell = self.child(path, where, index)
            cell_where = "%s/%d" % (where, index)
            if cell == NULL_PATH or not self.call(cell, cell_where, "GetState", "GetState", None, "(au)")[0] & SHOWING:
                break
            role, name = self.role_and_name(cell, cell_where)
            if role in HEADER_ROLES:
                columns += 1
            else:
                cells.append(name)
        columns = max(columns, 1)
        self.walked["rows"] = [cells[i : i + columns] for i in range(0, len(cells), columns)]


def a11y_bus_address():
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = session.call_sync(
        "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None, GLib.VariantType("(s)"),
        Gio.DBusCallFlags.NONE, -1, None,
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
    commands = {
        "read": lambda rest: reader.read(),
        "walk": lambda rest: reader.walk(),
        "walks": lambda rest: reader.start_walks(),
        "press": reader.press,
        "stream": lambda rest: reader.start_stream(*(int(n) for n in (rest + " 0").split()[:2])),
        "stop": lambda rest: reader.stop(),
        "endbus": lambda rest: reader.end_bus(),
        "quit": lambda rest: loop.quit(),
    }
    pending = [b""]

    def command(channel, condition):
        data = os.read(sys.stdin.fileno(), 65536)
        if not data:
            loop.quit()
            return False
        lines = (pending[0] + data).split(b"\n")
        pending[0] = lines.pop()
        for line in lines:
            what, _, rest = line.decode("utf-8").strip().partition(" ")
            if what not in commands:
                say(error="unknown command " + what)
                continue
            try:
                commands[what](rest.strip())
            except (GLib.Error, KeyError, AttributeError, ValueError) as error:
                say(error="%s: %s" % (type(error).__name__, error))
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    say(ready=True)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
