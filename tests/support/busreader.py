#!/usr/bin/python3
"""Reads a running tarvio window through the accessibility bus (AT-SPI), as
a screen reader does: libatspi (pyatspi) to find things and to press them,
plain D-Bus calls on the same bus to read fast.

    busreader.py PID

finds the window of process PID on the bus, prints {"ready": true} and then
answers each command read on stdin with one JSON line on stdout. Every
answer carries the milliseconds the program took to answer ("ms").

    read                 the captions of Frame1 and Frame2
    walk [COUNT]         walks the main window COUNT times (default 1), one
                         walk after the other, as a screen reader walks it
                         (below); answers with every walk
    walks [GAP]          walks over and over, each walk GAP ms (default 0)
                         after the last ended, answering each walk on a line
                         of its own ({"walked": WALK}) until the line "stop",
                         which is answered {"stopped": COUNT}
    tree                 one walk, answered with every object it read:
                         its depth, role and name
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

A walk reads the main window as a screen reader reads it when it reviews the
window: from the window down, every object's role, name and number of
children, and each child by its index, one call after the other, each sent
once the one before it is answered (plain D-Bus calls, so that nothing is
taken from libatspi's cache). A list's cells are read as long as they are
shown, from the column headers on: a reader reads the rows on the screen,
not the thousands of rows behind them, so a walk's length is the same for 4
rows and for 100,000. A walk answers with its time, the number of its calls
and the time of each, the number of objects, its slowest call, the captions
of Frame1 and Frame2 read in it and the texts of the rows it read:

    {"ms", "calls", "calls_ms", "objects", "slowest", "slowest_call",
     "frame1", "frame2", "rows": [[SERIAL, NUMBER, LOCATION], ...]}
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
# Below these the objects are rows and cells: thousands of them, and not
# what is looked for.
LEAF_ROLES = {"table", "tree table", "tree", "list", "list box"}
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
        for accessible in walk(app):
            if accessible.get_role_name() in ("push button", "menu item"):
                self.pressable.setdefault(accessible.get_name(), accessible)
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
        window = self.frame2
        while window.get_role() != Atspi.Role.FRAME:
            window = window.get_parent()
        self.walker = Walker(self.bus, self.bus_name, window.path, self.frame1.path, self.frame2.path)
        self.walking = None

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
        if self.walking is not None:
            self.walking["stopping"] = True
        if self.stream is not None:
            self.stream["stopping"] = True

    def walk(self, count):
        say(walks=[self.walker.walk() for _ in range(count)])

    def tree(self):
        objects = []
        walked = self.walker.walk(objects)
        say(objects=objects, ms=walked["ms"], calls=walked["calls"])

    def start_walks(self, gap):
        self.walking = {"count": 0, "stopping": False, "gap": gap}
        GLib.timeout_add(gap, self.walk_on)

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
        GLib.timeout_add(walking["gap"], self.walk_on)
        return False

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


class Walker:
    """Walks the main window over plain D-Bus calls, each one timed."""

    def __init__(self, bus, bus_name, window_path, frame1_path, frame2_path):
        self.bus = bus
        self.bus_name = bus_name
        self.window_path = window_path
        self.frames = {frame1_path: "frame1", frame2_path: "frame2"}
        self.walked = None

    def call(self, path, where, what, method, args, reply, interface=ACCESSIBLE):
        start = time.monotonic()
        value = self.bus.call_sync(
            self.bus_name,
            path,
            interface,
            method,
            args,
            GLib.VariantType(reply),
            Gio.DBusCallFlags.NONE,
            CALL_TIMEOUT_MS,
            None,
        ).unpack()[0]
        ms = milliseconds(start)
        walked = self.walked
        walked["calls"] += 1
        walked["calls_ms"].append(ms)
        if ms > walked["slowest"]:
            walked["slowest"] = ms
            walked["slowest_call"] = "%s of %s" % (what, where)
        return value

    def role(self, path, where):
        return self.call(path, where, "GetRole", "GetRole", None, "(u)")

    def property(self, path, where, name):
        return self.call(
            path,
            where,
            name,
            "Get",
            GLib.Variant("(ss)", (ACCESSIBLE, name)),
            "(v)",
            interface="org.freedesktop.DBus.Properties",
        )

    def child(self, path, where, index):
        return self.call(
            path, where, "GetChildAtIndex(%d)" % index, "GetChildAtIndex", GLib.Variant("(i)", (index,)), "((so))"
        )[1]

    def showing(self, path, where):
        return bool(self.call(path, where, "GetState", "GetState", None, "(au)")[0] & SHOWING)

    def walk(self, tree=None):
        self.walked = {"calls": 0, "calls_ms": [], "objects": 0, "slowest": 0.0, "slowest_call": "", "rows": []}
        start = time.monotonic()
        self.visit(self.window_path, "the window", 0, tree)
        self.walked["ms"] = milliseconds(start)
        return self.walked

    # `where` names an object by its chain of child indices from the window,
    # for the figures: "the window/1/0/2".
    def visit(self, path, where, depth, tree):
        role = self.role(path, where)
        name = self.property(path, where, "Name")
        count = self.property(path, where, "ChildCount")
        self.walked["objects"] += 1
        if path in self.frames:
            self.walked[self.frames[path]] = name
        if tree is not None:
            tree.append([depth, Atspi.role_get_name(Atspi.Role(role)), name])
        if role in LIST_ROLES:
            self.visit_list(path, where, count, depth + 1, tree)
            return
        for index in range(count):
            child = self.child(path, where, index)
            if child != NULL_PATH:
                self.visit(child, "%s/%d" % (where, index), depth + 1, tree)

    def visit_list(self, path, where, count, depth, tree):
        # The column headers, then the rows on the screen cell by cell: the
        # cells before the first one not shown. The list never scrolls by
        # itself, so the rows shown are the first ones.
        columns = 0
        cells = []
        for index in range(count):
            cell = self.child(path, where, index)
            cell_where = "%s/%d" % (where, index)
            if cell == NULL_PATH or not self.showing(cell, cell_where):
                break
            role = self.role(cell, cell_where)
            name = self.property(cell, cell_where, "Name")
            self.walked["objects"] += 1
            if tree is not None:
                tree.append([depth, Atspi.role_get_name(Atspi.Role(role)), name])
            if role in HEADER_ROLES:
                columns += 1
            else:
                cells.append(name)
        columns = max(columns, 1)
        self.walked["rows"] = [cells[i : i + columns] for i in range(0, len(cells), columns)]


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
            elif what == "walk":
                reader.walk(int(rest or 1))
            elif what == "walks":
                reader.start_walks(int(rest or 0))
            elif what == "tree":
                reader.tree()
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
