#!/usr/bin/python3
"""Drives the real window the way a screen reader does, over AT-SPI.

    tst_accessibility.py PICTAVO

Runs itself again inside a private X server and D-Bus session, starts PICTAVO with three photos
of its own queued and an output folder already stored in its settings, then: every focusable
control must have a role and a name, the controls of a table their names, values, states and
children, and every control given the focus must be in sight; a prefix is typed, PNG chosen and
the run started through accessible actions alone, the progress bar reporting its value on the way; the written
files must be whole PNGs, the run's summary must reach the accessibility bus once, and "Çık"
must end the program cleanly.
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


def value_of(node):
    """(minimum, maximum, step, current) of a control's value interface, None without one."""
    with warnings.catch_warnings():  # as get_action_name below
        warnings.simplefilter("ignore", DeprecationWarning)
        value = node.get_value_iface()
    if value is None:
        return None
    return (round(value.get_minimum_value(), 3), round(value.get_maximum_value(), 3),
            round(value.get_minimum_increment(), 3), round(value.get_current_value(), 3))


def focus_lands_in_sight(app, window):
    """Gives the focus to every focusable control that is not hidden, in turn, as Tab or a screen reader
    would; each must then lie inside the window."""
    frame = window.get_extents(Atspi.CoordType.SCREEN)
    # Below the fold a control is neither visible nor showing to AT-SPI; a hidden one has no
    # size at all.
    for node in [n for n in walk(app) if has_state(n, Atspi.StateType.FOCUSABLE)
                 and n.get_extents(Atspi.CoordType.SCREEN).height > 0]:
        what = f"{node.get_role_name()} {node.get_name()!r}"
        node.grab_focus()
        if not wait_for(lambda: has_state(node, Atspi.StateType.FOCUSED), 5, f"focus on {what}"):
            continue
        box = wait_for(lambda: (lambda b: b if b.y >= frame.y and
                                b.y + b.height <= frame.y + frame.height else None)(
                                    node.get_extents(Atspi.CoordType.SCREEN)), 3)
        check(box is not None, f"{what} focused out of sight at "
                               f"y = {node.get_extents(Atspi.CoordType.SCREEN).y - frame.y}")


# What a screen reader must hear of the window with three photos queued: role, name, and what
# else it must show (a value's range, states, interfaces, children).
EXPANDABLE = {Atspi.StateType.EXPANDABLE}
EXPECTED = [
    (Atspi.Role.HEADING, "3 görsel hazır", {}),
    (Atspi.Role.LABEL, "3 hazır", {}),
    (Atspi.Role.LIST, "Görsel kuyruğu", {}),
    (Atspi.Role.LIST_ITEM, "photo2.jpg, Hazır", {}),
    (Atspi.Role.LABEL, "Görseller işleniyor", {}),
    (Atspi.Role.SLIDER, "Kalite", {"value": (0.4, 1.0, 0.1)}),
    (Atspi.Role.PUSH_BUTTON, "Dosya adlandırma", {"states": EXPANDABLE | {
        Atspi.StateType.COLLAPSED}}),
    (Atspi.Role.POPUP_MENU, "Dosya", {"parent": Atspi.Role.MENU_BAR}),
    (Atspi.Role.COMBO_BOX, "Format", {"items": {"PNG", "JPEG", "HEIC", "TIFF"}}),
    (Atspi.Role.TEXT, "Genişlik", {"interface": "EditableText"}),
    (Atspi.Role.TEXT, "Yükseklik", {"interface": "EditableText"}),
    (Atspi.Role.TEXT, "Ön ek", {"interface": "EditableText"}),
]


def check_expected(app):
    for role, name, extra in EXPECTED:
        node = find(app, role, name)
        if not check(node is not None, f"{Atspi.role_get_name(role)} {name!r} on the bus"):
            continue
        if "value" in extra:
            got = value_of(node)
            check(got is not None and got[:3] == extra["value"],
                  f"{name!r} ranges over {extra['value']}, reports {got}")
        for state in extra.get("states", ()):
            check(has_state(node, state), f"{name!r} is {state.value_nick}")
        if "parent" in extra:
            check(node.get_parent().get_role() == extra["parent"],
                  f"{name!r} sits in a {Atspi.role_get_name(extra['parent'])}")
        if "items" in extra:
            items = {n.get_name() for n in walk(node) if n.get_role() == Atspi.Role.LIST_ITEM}
            check(extra["items"] <= items, f"{name!r} holds {extra['items']}, has {items}")
        if "interface" in extra:
            check(extra["interface"] in node.get_interfaces(),
                  f"{name!r} offers {extra['interface']}: {node.get_interfaces()}")
    for node in walk(app):
        if node.get_role() == Atspi.Role.LABEL and node.get_name() in ("Hazır", "0", "3"):
            check(False, f"a label {node.get_name()!r} standing alone")
    check(any(n.get_role() == Atspi.Role.LABEL and n.get_name().startswith("Toplam ")
              for n in walk(app)), "the queue's total size is heard")


def main():
    pictavo = sys.argv[1]
    scratch = os.environ[INNER]
    output = store_output_folder(scratch)
    photos = [os.path.join(scratch, f"photo{i}.jpg") for i in (1, 2, 3)]
    for photo in photos:
        subprocess.run(["vips", "black", photo, "1600", "1200", "--bands", "3"], check=True)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               PICTAVO_REDUCE_MOTION="1", PICTAVO_SINGLE_INSTANCE="0", QT_QPA_PLATFORM="xcb")
    Atspi.init()
    announced, progress = [], []

    def on_event(event):
        source = event.source
        try:
            if source is None:
                return
            if source.get_role() == Atspi.Role.NOTIFICATION and \
                    (event.type.startswith("object:state-changed:showing") and event.detail1):
                # Screen readers pass over what is not showing by the time they look.
                announced.append((source.get_name(), has_state(source, Atspi.StateType.SHOWING)))
            elif source.get_role() == Atspi.Role.PROGRESS_BAR and "accessible-value" in event.type:
                progress.append(value_of(source))
        except GLib.Error:
            pass  # an object already gone, as the window closes

    listener = Atspi.EventListener.new(on_event)
    listener.register("object:state-changed:showing")
    listener.register("object:property-change:accessible-value")
    window = subprocess.Popen([pictavo] + photos, env=env)
    quit_pressed = False
    try:
        desktop = Atspi.get_desktop(0)
        app = wait_for(lambda: next((desktop.get_child_at_index(i)
                                     for i in range(desktop.get_child_count())
                                     if desktop.get_child_at_index(i).get_name() == "Pictavo"),
                                    None), 30, "the window on the accessibility bus")
        if app is None:
            return
        start = wait_for(lambda: find(app, Atspi.Role.PUSH_BUTTON, "3 Görseli Dönüştür"), 20,
                         "the start button for three queued photos")
        unnamed = unnamed_controls(app)
        check(not unnamed, "focusable without a role or name: " + ", ".join(unnamed))
        check(find(app, Atspi.Role.LABEL, output) is not None, "the stored output folder shows")
        check_expected(app)

        naming = find(app, Atspi.Role.PUSH_BUTTON, "Dosya adlandırma")
        if naming is not None:
            act(naming, "Press")
            wait_for(lambda: has_state(naming, Atspi.StateType.EXPANDED), 5, "naming expanded")
        focus_lands_in_sight(app, app.get_child_at_index(0))
        prefix = find(app, Atspi.Role.TEXT, "Ön ek")
        if prefix is not None:
            prefix.insert_text(0, "web_", len("web_"))  # the names written must follow

        picker = find(app, Atspi.Role.COMBO_BOX, "Format")
        if check(picker is not None, "the format picker is reachable"):
            act(picker, "Press")
            png = wait_for(lambda: find(picker, Atspi.Role.LIST_ITEM, "PNG"), 10,
                           "PNG in the format list")
            if png is not None:
                act(png, "Press")
            wait_for(lambda: picker.get_description() == "PNG", 10, "PNG chosen")
        if start is not None:
            act(start, "Press")
        summary = "3 görsel başarıyla hazırlandı."
        wait_for(lambda: announced, 60, "the end of the run")
        wait_for(lambda: len(announced) > 1, 2)  # a second one of the same run would be here
        check(announced == [(summary, True)], f"announced once {summary!r}, got {announced}")
        check(progress and all(v[:2] == (0, 1) for v in progress) and progress[-1][3] == 1,
              f"the progress bar reports its way from 0 to 1: {progress}")
        check(find(app, Atspi.Role.LABEL, "3 tamamlandı") is not None, "the done count is heard")
        written = [name for name in os.listdir(output) if name.lower().endswith(".png")]
        check(len(written) == 3 and all(name.startswith("web_photo") and
                                        png_is_whole(os.path.join(output, name))
                                        for name in written),
              f"three whole PNGs named web_…, found {os.listdir(output)}")

        # "Çık" in the File menu ends the program while the listener stays registered, as a
        # screen reader's does.
        menu = find(app, Atspi.Role.POPUP_MENU, "Dosya")
        if menu is not None:
            act(menu, "Press")
            leave = wait_for(lambda: find(app, Atspi.Role.MENU_ITEM, "Çık"), 10, "Çık in Dosya")
            if leave is not None:
                act(leave, "Press")
                quit_pressed = True
    finally:
        if not quit_pressed:
            window.terminate()
        try:
            code = window.wait(10)
            check(code == 0, f"the window closed with exit status {code}")
        except subprocess.TimeoutExpired:
            window.kill()
            window.wait(5)
            check(False, "the window did not close within 10 s of Çık")


main()
print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
sys.exit(1 if failures else 0)
