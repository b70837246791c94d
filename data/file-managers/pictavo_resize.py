# "Pictavo ile Boyutlandır" in Nautilus's context menu (nautilus-python): the selected photos and
# folders go to the running Pictavo window's queue, or open a new window with them.

from gi.repository import GObject, Gio, Nautilus

LABEL = "Pictavo ile Boyutlandır"

# The types Pictavo reads, as the desktop names them; folders are walked by Pictavo itself.
READABLE_TYPES = {
    "image/jpeg", "image/png", "image/heic", "image/heif", "image/tiff", "image/webp",
    "image/avif",
}


def _local_path(file):
    """The file's path, or None where Pictavo could not open it (a place without a local path,
    or a type it does not read)."""
    location = file.get_location()
    path = location.get_path() if location is not None else None
    if path is None:
        return None
    if file.is_directory() or file.get_mime_type() in READABLE_TYPES:
        return path
    return None


class PictavoResizeMenu(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *args):
        # Nautilus 43 and later pass (files); earlier releases (window, files).
        files = args[-1]
        paths = [_local_path(file) for file in files]
        if not paths or None in paths:
            return []
        item = Nautilus.MenuItem(name="PictavoResizeMenu::Resize", label=LABEL)
        item.connect("activate", self._launch, paths)
        return [item]

    def _launch(self, _item, paths):
        # Paths as separate arguments, never through a shell. Python keeps bytes that are not
        # UTF-8 as surrogates, which PyGObject turns back into the same bytes. GSubprocess
        # reaps the child, so a long-lived Nautilus collects no zombies.
        Gio.Subprocess.new(["pictavo", *paths], Gio.SubprocessFlags.NONE)
