#!/usr/bin/env python3
""""Pictavo ile Boyutlandır" in Dolphin, Nemo and Nautilus, read as each file manager reads its
entry: the types offered, the desktop-file rules, and the command line that is started."""

import configparser, importlib.util, os, shlex, shutil, subprocess, sys, types, unittest
from pathlib import Path
from urllib.parse import quote

DATA = Path(__file__).resolve().parents[2] / "data"
ENTRIES = DATA / "file-managers"
LABEL = "Pictavo ile Boyutlandır"


def group(path, name):
    parser = configparser.RawConfigParser()
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return parser[name]


# What "Open with" offers Pictavo for; the menus offer the same, and folders.
READABLE = set(filter(None, group(DATA / "io.github.pictavo.Pictavo.desktop",
                                  "Desktop Entry")["MimeType"].split(";")))
FOR_MENUS = READABLE | {"inode/directory"}


def load_nautilus_extension(launched):
    """The extension over stand-ins for the modules it imports: a menu item keeps its "activate"
    handler, and a started process only records its arguments."""
    class MenuItem:
        def __init__(self, **properties):
            self.properties, self.activate = properties, None

        def connect(self, signal, handler, *data):
            self.activate = lambda: handler(self, *data)

    nautilus = types.SimpleNamespace(MenuProvider=type("MenuProvider", (), {}), MenuItem=MenuItem)
    gio = types.SimpleNamespace(SubprocessFlags=types.SimpleNamespace(NONE=0),
                                Subprocess=types.SimpleNamespace(
                                    new=lambda argv, flags: launched.append(list(argv))))
    repository = types.SimpleNamespace(GObject=types.SimpleNamespace(GObject=type("O", (), {})),
                                       Gio=gio, Nautilus=nautilus)
    sys.modules.update({"gi": types.SimpleNamespace(repository=repository),
                        "gi.repository": repository})
    spec = importlib.util.spec_from_file_location("pictavo_resize", ENTRIES / "pictavo_resize.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.PictavoResizeMenu()


def stand_in_file(path, mime):
    """A Nautilus.FileInfo: a local path (None for a place without one) and a type."""
    return types.SimpleNamespace(path=path, get_location=lambda: types.SimpleNamespace(
        get_path=lambda: path), is_directory=lambda: mime == "inode/directory",
        get_mime_type=lambda: mime)


class FileManagerEntries(unittest.TestCase):
    def test_dolphin_service_menu_is_a_valid_desktop_file(self):
        if not shutil.which("desktop-file-validate"):
            self.skipTest("desktop-file-validate is not installed")
        entry = ENTRIES / "pictavo-resize.desktop"
        result = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        # A service menu needs MimeType and Actions, which the validator allows only in
        # applications; nothing else may fail.
        errors = [e for e in result.stdout.splitlines() if 'the type is "Service"' not in e]
        self.assertEqual(errors, [])
        action = group(entry, "Desktop Action resizeWithPictavo")
        self.assertEqual((action["Name"], action["Exec"]), (LABEL, "pictavo %F"))
        self.assertLessEqual(FOR_MENUS, set(group(entry, "Desktop Entry")["MimeType"].split(";")))

    def test_nemo_passes_each_name_as_one_argument(self):
        action = group(ENTRIES / "pictavo-resize.nemo_action", "Nemo Action")
        self.assertLessEqual(FOR_MENUS, set(action["Mimetypes"].split(";")))
        names = ["/f/Tatil fotoğraf.jpg".encode(), b"/f/it's \"x\" $HOME.png", b"/f/caf\xe9.heic"]
        # URIs as GLib makes them, quoted as the action asks, split as Nemo splits the line.
        uris = ["file://" + quote(name, safe="/!$&'()*+,;=:@~") for name in names]
        mark = '"' if action.get("Quote") == "double" else ""
        line = action["Exec"].replace("%U", " ".join(mark + uri + mark for uri in uris))
        self.assertEqual((action["Name"], shlex.split(line)), (LABEL, ["pictavo", *uris]))

    def test_nautilus_launches_the_selection(self):
        photos = [stand_in_file(f"/f/{i}", mime) for i, mime in enumerate(sorted(READABLE))]
        for case, files, offered in [
                ("every readable type, and a space and Turkish letters",
                 [*photos, stand_in_file("/f/Tatil fotoğraf.jpg", "image/jpeg")], True),
                ("a folder", [stand_in_file("/f/Yaz 2024", "inode/directory")], True),
                ("not UTF-8", [stand_in_file(os.fsdecode(b"/f/caf\xe9.png"), "image/png")], True),
                ("a text file among photos", [*photos, stand_in_file("/f/a", "text/plain")], False),
                ("a place without a local path", [stand_in_file(None, "image/jpeg")], False),
                ("nothing", [], False)]:
            for arguments in [(files,), ("window", files)]:  # Nautilus 43 and later; before
                with self.subTest(case, signature=len(arguments)):
                    launched = []
                    items = load_nautilus_extension(launched).get_file_items(*arguments)
                    self.assertEqual([i.properties["label"] for i in items], [LABEL] * offered)
                    for item in items:
                        item.activate()
                    self.assertEqual([[os.fsencode(a) for a in argv] for argv in launched],
                                     [[b"pictavo", *(os.fsencode(f.path) for f in files)]]
                                     if offered else [])


if __name__ == "__main__":
    unittest.main()
