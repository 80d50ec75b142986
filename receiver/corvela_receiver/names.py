"""Which folder and file names the receiver stores under its root.

A name is refused rather than repaired: a changed name would store the file
somewhere the page did not ask for. The rules hold names to what every
common file system keeps as given, so the same upload lands in the same
place whether the receiver runs on Linux or on Windows.
"""

import re

# Windows opens a device instead of a file for these, with any extension. It
# takes the superscript digits one, two and three for port numbers too.
PORT_DIGITS = "0123456789\u00b9\u00b2\u00b3"
RESERVED_DEVICE_NAMES = frozenset(
    ["CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"] + ["COM" + digit for digit in PORT_DIGITS]
    + ["LPT" + digit for digit in PORT_DIGITS])
# Not storable on Windows; ":" would also name a drive or a stream.
FORBIDDEN_CHARACTERS = frozenset('<>:"|?*/\\')
SEPARATORS = re.compile(r"[\\/]")
LONGEST_NAME_BYTES = 255


class PathRefused(ValueError):
    """A folder or name that would leave the root or cannot be stored."""


def check_component(component):
    """Raises PathRefused unless `component` is one plain folder or file name."""
    if component in ("", ".", ".."):
        raise PathRefused("%r leaves its folder" % component if component else "empty name")
    for character in component:
        if ord(character) < 0x20 or ord(character) == 0x7F:
            raise PathRefused("%r holds the control character U+%04X" % (component, ord(character)))
        if character in FORBIDDEN_CHARACTERS:
            raise PathRefused("%r holds %r" % (component, character))
    if component[-1] in ". ":
        raise PathRefused("%r ends in a dot or a space, which Windows drops" % component)
    if component.split(".")[0].rstrip(" ").upper() in RESERVED_DEVICE_NAMES:
        raise PathRefused("%r is a reserved device name" % component)
    if len(component.encode("utf-8", "surrogatepass")) > LONGEST_NAME_BYTES:
        raise PathRefused("%r is longer than %d bytes" % (component, LONGEST_NAME_BYTES))


def folder_components(folder):
    """The folders of a destination folder text ("/" or "\\" between them).

    Empty texts between separators are skipped, so "inbox/" is "inbox"; a
    text that starts with a separator or a drive letter names a place
    outside the root and is refused.
    """
    if folder[:1] in ("/", "\\"):
        raise PathRefused("%r is an absolute path" % folder)
    if re.match(r"^[A-Za-z]:", folder):
        raise PathRefused("%r names a drive" % folder)
    components = [part for part in SEPARATORS.split(folder) if part]
    for component in components:
        check_component(component)
    return components


def stored_name(prefix, title, extension):
    """The name a file is stored under: prefix, title, and "." + extension
    when there is one."""
    name = prefix + title + ("." + extension if extension else "")
    check_component(name)
    return name


def renamed(name, number):
    """The name with " (number)" before its extension: "a.txt" -> "a (2).txt"."""
    stem, dot, extension = name.rpartition(".")
    if not dot or not stem:
        return "%s (%d)" % (name, number)
    return "%s (%d).%s" % (stem, number, extension)
