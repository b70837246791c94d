#!/usr/bin/python3
"""Drives the real window the way a screen reader does, over AT-SPI.

    tst_accessibility.py PICTAVO

Runs itself again inside a private X server and D-Bus session, starts PICTAVO with a photo of
its own queued and an output folder already stored in its settings, then: every focusable control must have a
role and a name; PNG is chosen and the run started through accessible actions alone; the
written file must be a whole PNG, and the run's summary must reach the accessibility bus once.
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import warnings
import zlib

INNER = "PICTAVO_A11Y_INNER"
TIMEOUT = 150  # seconds for the whole inner run; every wait below is shorter


def relaunch_isolated():
    scratch = tempfile.mkdtemp(prefix="pictavo-a11y-")
    runtime = os.path.join(scratch, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = dict(os.environ, HOME=scratch, XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               XDG_RUNTIME_DIR=runtime, **{INNER: scratch})
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    command = ["timeout", "-k", "5", str(TIMEOUT), "xvfb-run", "-a", "-s",
               "-screen 0 1400x900x24", "dbus-run-session", "--", sys.executable] + sys.argv
    result = subprocess.run(command, env=env, check=False)
    shutil.rmtree(scratch, ignore_errors=True)
    if result.returncode == 124:
        print("FAIL: timed out after", TIMEOUT, "s")
    return result.returncode


if INNER not in os.environ:
    sys.exit(relaunch_isolated())

import gi  # noqa: E402  (only inside the private session)

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)
    return condition


def wait_for(predicate, seconds, what=None):
    """Runs the event loop until predicate() is true; None after `seconds` (a failure when
    `what` is waited for)."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        try:
            value = predicate()
        except GLib.Error:
            value = None
        if value:
            return value
        time.sleep(0.1)
    check(what is None, f"gave up waiting for {what}")
    return None


def walk(node):
    yield node
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield from walk(child)


def has_state(node, state):
    return node.get_state_set().contains(state)


def find(root, role, name):
    for node in walk(root):
        if node.get_role() == role and node.get_name() == name:
            return node
    return None


def act(node, action):
    # get_action_name is deprecated, but its successor is newer than Debian 12's library.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        names = [node.get_action_name(i) for i in range(node.get_n_actions())]
    if check(action in names, f"{node.get_name()!r} offers {names}, not {action!r}"):
        node.do_action(names.index(action))


def store_output_folder(scratch):
    """The settings file the window reads its output folder from, as it would write it."""
    folder = os.path.join(scratch, "out")
    os.makedirs(folder)
    info = os.stat(folder)
    bookmark = json.dumps({"kind": "pictavo-folder", "version": 1, "path": folder,
                           "device": str(info.st_dev), "inode": str(info.st_ino)},
                          separators=(",", ":"))
    settings = os.path.join(os.environ["XDG_CONFIG_HOME"], "Pictavo")
    os.makedirs(settings)
    escaped = bookmark.replace("\\", "\\\\").replace('"', '\\"')
    with open(os.path.join(settings, "Pictavo.conf"), "w", encoding="utf-8") as file:
        file.write(f'[General]\noutputFolderBookmark="@ByteArray({escaped})"\n')
    return folder


def png_is_whole(path):
    """Signature, then chunks whose CRCs hold, from IHDR to IEND."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return False
    offset, kinds = 8, []
    while offset + 12 <= len(data):
        length, kind = struct.unpack(">I4s", data[offset:offset + 8])
        body = data[offset + 8:offset + 8 + length]
        (crc,) = struct.unpack(">I", data[offset + 8 + length:offset + 12 + length])
        if zlib.crc32(kind + body) != crc:
            return False
        kinds.append(kind)
        offset += 12 + length
    return kinds[:1] == [b"IHDR"] and kinds[-1:] == [b"IEND"] and offset == len(data)


def unnamed_controls(app):
    """Focusable things a screen reader could land on but not describe."""
    unnamed = []
    for node in walk(app):
        if not has_state(node, Atspi.StateType.FOCUSABLE):
            continue
        role = node.get_role()
        if role in (Atspi.Role.UNKNOWN, Atspi.Role.INVALID, Atspi.Role.FILLER) or \
                not node.get_name().strip():
            unnamed.append(f"{node.get_role_name()} {node.get_name()!r}")
    return unnamed


def main():
    pictavo = sys.argv[1]
    scratch = os.environ[INNER]
    output = store_output_folder(scratch)
    photo = os.path.join(scratch, "photo.jpg")
    subprocess.run(["vips", "black", photo, "640", "480", "--bands", "3"], check=True)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               PICTAVO_REDUCE_MOTION="1", PICTAVO_SINGLE_INSTANCE="0", QT_QPA_PLATFORM="xcb")
    Atspi.init()
    announced = []

    def on_event(event):
        source = event.source
        try:
            if source is not None and source.get_role() == Atspi.Role.NOTIFICATION and \
                    (event.type.startswith("object:state-changed:showing") and event.detail1):
                # Screen readers pass over what is not showing by the time they look.
                announced.append((source.get_name(), has_state(source, Atspi.StateType.SHOWING)))
        except GLib.Error:
            pass  # an object already gone, as the window closes

    listener = Atspi.EventListener.new(on_event)
    listener.register("object:state-changed:showing")
    window = subprocess.Popen([pictavo, photo], env=env)
    try:
        desktop = Atspi.get_desktop(0)
        app = wait_for(lambda: next((desktop.get_child_at_index(i)
                                     for i in range(desktop.get_child_count())
                                     if desktop.get_child_at_index(i).get_name() == "Pictavo"),
                                    None), 30, "the window on the accessibility bus")
        if app is None:
            return
        start = wait_for(lambda: find(app, Atspi.Role.PUSH_BUTTON, "1 Görseli Dönüştür"), 20,
                         "the start button for one queued photo")
        unnamed = unnamed_controls(app)
        check(not unnamed, "focusable without a role or name: " + ", ".join(unnamed))
        check(find(app, Atspi.Role.LABEL, output) is not None, "the stored output folder shows")

        picker = find(app, Atspi.Role.COMBO_BOX, "Format")
        if check(picker is not None, "the format picker is reachable"):
            act(picker, "Press")
            png = wait_for(lambda: find(app, Atspi.Role.LIST_ITEM, "PNG"), 10,
                           "PNG in the format list")
            if png is not None:
                act(png, "Press")
            wait_for(lambda: picker.get_description() == "PNG", 10, "PNG chosen")
        if start is not None:
            act(start, "Press")
        summary = "1 görsel başarıyla hazırlandı."
        wait_for(lambda: announced, 60, "the end of the run")
        wait_for(lambda: len(announced) > 1, 2)  # a second one of the same run would be here
        check(announced == [(summary, True)], f"announced once {summary!r}, got {announced}")
        written = [name for name in os.listdir(output) if name.lower().endswith(".png")]
        check(len(written) == 1 and png_is_whole(os.path.join(output, written[0])),
              f"one whole PNG written, found {os.listdir(output)}")
    finally:
        # SIGTERM closes the window as its close button would; the listener stays registered,
        # as a screen reader's does, while the window tears itself down.
        window.terminate()
        try:
            code = window.wait(10)
            check(code == 0, f"the window closed with exit status {code}")
        except subprocess.TimeoutExpired:
            window.kill()
            window.wait(5)
            check(False, "the window did not close within 10 s of SIGTERM")


main()
print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
sys.exit(1 if failures else 0)
