#!/usr/bin/python3
"""How promptly Orca, run beside the program, speaks a control focused by Tab,
with the window idle and during a slow batch.

    orcacheck.py HELDWINDOW [TABS] [GAP_MS]

Run by scripts/orca-check on a desktop of its own (on-accessibility-bus.sh:
Xvfb, a session bus, the accessibility bus). Starts openbox, Orca (speech
and braille off, its debug log kept) and HELDWINDOW (tests/support/
heldwindow.cpp: the main window over a service that holds every answer).
Tab is pressed TABS times (default 6), GAP_MS apart (default 2000), with the
window idle; then 批量查询 is started by its keys (Alt+S, B), and the batch
waits on its first row while Tab is pressed TABS times again; Esc stops it.

Orca's debug log stamps every utterance ("SPEECH OUTPUT") to the
microsecond. For each Tab, the time from the Tab (the moment xdotool was
started) to the first utterance that names the control the Tab focused is
printed, or that Orca never spoke it. Keys go through the X server (XTEST),
as a user's do, so Orca hears them as it hears a user's.
"""

import datetime
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

WINDOW_TITLE = "塔维手机归属地批量查询"
# The tab order of the main window, and what Orca says of each control: a
# button by its caption; the number box and the list have no name, and are
# told by their role.
TAB_ORDER = [
    ("SinglePhone", r"\btext\b"),
    ("seach", "查询手机归属地"),
    ("import", "导入号码"),
    ("batch", "批量查询"),
    ("save", "保存结果"),
    ("lv", r"\btree\b|\btable\b"),
    ("ClearLV", "清空内容"),
]
STAMP = re.compile(r"^(\d\d):(\d\d):(\d\d)\.(\d{6}) - ")
# An utterance, then the voice it is spoken in.
SPEECH = re.compile(r"^\S+ - SPEECH OUTPUT: '(.*?)' ?(\{.*\}|None)?$")
# How long Orca took over one event, in seconds.
PROCESSING = re.compile(r"^TOTAL PROCESSING TIME: ([\d.]+)")
# Orca listens for the focus once it has registered for these events.
FOCUS_EVENTS = ("Object:StateChanged:Focused", "Focus:")


def say(text):
    print(text, flush=True)


def a11y_bus():
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    address = session.call_sync(
        "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
        GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1, None,
    ).unpack()[0]
    return Gio.DBusConnection.new_for_address_sync(
        address,
        Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None,
        None,
    )


def wait_for_orca(bus, orca, limit=60):
    # Orca is ready to speak once it has asked the registry for focus events.
    for _ in range(limit * 10):
        if orca.poll() is not None:
            return False
        events = bus.call_sync(
            "org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "org.a11y.atspi.Registry",
            "GetRegisteredEvents", None, None, Gio.DBusCallFlags.NONE, -1, None,
        ).unpack()[0]
        if any(event in FOCUS_EVENTS for _, event in events):
            return True
        time.sleep(0.1)
    return False


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


def press(key, tabs, focus, where):
    start = time.time()
    xdotool("key", key)
    tabs.append((start, focus, where))


def read_log(log):
    """Every utterance with its time, and the time Orca took over each event
    with the time of the last line stamped before it."""
    today = datetime.date.today()
    spoken = []
    processing = []
    last = 0.0
    with open(log, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            stamped = STAMP.match(line)
            if stamped:
                hours, minutes, seconds, micro = (int(g) for g in stamped.groups())
                last = datetime.datetime(today.year, today.month, today.day, hours, minutes, seconds, micro).timestamp()
            match = SPEECH.match(line)
            if match:
                spoken.append((last, match.group(1)))
            took = PROCESSING.match(line)
            if took:
                processing.append((last, float(took.group(1)) * 1000))
    return spoken, processing


def main():
    heldwindow = sys.argv[1]
    tabs_a_run = int(sys.argv[2]) if len(sys.argv) > 2 else 6
    gap = (int(sys.argv[3]) if len(sys.argv) > 3 else 2000) / 1000
    work = tempfile.mkdtemp(prefix="tarvio-orca-")
    log = os.path.join(work, "orca-debug.out")
    prefs = os.path.join(work, "prefs")
    os.mkdir(prefs)
    # Orca runs the customizations of its preferences folder as it starts:
    # there its log is made to go out line by line, so that none of it is
    # lost however Orca ends.
    with open(os.path.join(prefs, "orca-customizations.py"), "w", encoding="utf-8") as custom:
        custom.write("from orca import debug\n"
                     "if debug.debugFile:\n"
                     "    debug.debugFile.reconfigure(line_buffering=True)\n")
    openbox = orca = window = None
    try:
        openbox = subprocess.Popen(["openbox", "--sm-disable"], stderr=subprocess.DEVNULL)
        bus = a11y_bus()
        orca = subprocess.Popen(
            ["orca", "-d", "speech", "-d", "braille", "-d", "sound", "-u", prefs,
             "--debug-file", log],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        if not wait_for_orca(bus, orca):
            say("Orca did not start (see %s)" % log)
            return 1
        window = subprocess.Popen([heldwindow, "100"])
        found = xdotool("search", "--sync", "--onlyvisible", "--pid", str(window.pid)).split()
        xdotool("windowactivate", "--sync", found[0])
        # Orca presents the window that became active, and then the focus.
        time.sleep(3)

        tabs = []
        focus = 0  # the number box holds the focus when the window opens
        for _ in range(tabs_a_run):
            focus = (focus + 1) % len(TAB_ORDER)
            press("Tab", tabs, focus, "idle")
            time.sleep(gap)
        batch_start = time.time()
        xdotool("key", "alt+s")
        time.sleep(0.5)
        xdotool("key", "b")
        time.sleep(1)
        for _ in range(tabs_a_run):
            focus = (focus + 1) % len(TAB_ORDER)
            press("Tab", tabs, focus, "batch")
            time.sleep(gap)
        batch_end = time.time()
        xdotool("key", "Escape")
        # Time for Orca to work off what it has queued.
        time.sleep(max(5, 2 * gap))
    finally:
        # Orca first, while the window it reads is still there: it writes
        # what is left of its log as it shuts down.
        for process in (orca, window, openbox):
            if process is None or process.poll() is not None:
                continue
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                if process is orca:
                    say("Orca did not end when asked: the end of its log may be lost")

    spoken, processing = read_log(log)
    ends = [t for t, _, _ in tabs[1:]] + [float("inf")]
    figures = {"idle": [], "batch": []}
    for (start, focus, where), end in zip(tabs, ends):
        name, pattern = TAB_ORDER[focus]
        heard = next(((t, text) for t, text in spoken if t >= start and re.search(pattern, text)), None)
        if heard is None:
            say("%-5s Tab to %-11s never spoken" % (where, name))
            continue
        ms = (heard[0] - start) * 1000
        late = "" if heard[0] < end else " (after the next Tab)"
        figures[where].append(ms)
        say("%-5s Tab to %-11s spoken after %7.1f ms%s: %s" % (where, name, ms, late, heard[1]))
    for where, label in (("idle", "idle"), ("batch", "during a slow batch")):
        ms = figures[where]
        if ms:
            say("%s: %d of %d Tabs spoken, %.0f–%.0f ms after the Tab (median %.0f ms)"
                % (label, len(ms), tabs_a_run, min(ms), max(ms), statistics.median(ms)))
        else:
            say("%s: none of %d Tabs spoken" % (label, tabs_a_run))
    for label, start, end in (("idle", tabs[0][0], batch_start), ("during a slow batch", batch_start, batch_end)):
        ms = [took for t, took in processing if start <= t < end]
        if ms:
            say("Orca's time over each of %d events %s: median %.0f ms, slowest %.0f ms"
                % (len(ms), label, statistics.median(ms), max(ms)))
    say("Orca's debug log: %s" % log)
    return 0 if figures["idle"] else 1


if __name__ == "__main__":
    sys.exit(main())
