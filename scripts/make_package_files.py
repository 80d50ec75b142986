#!/usr/bin/env python3
"""Writes the installer source (WiX, for wixl) and the browser INF of one
architecture from a recording of the module's own registration.

The recording is two exports of HKEY_CURRENT_USER\\Software\\Classes, taken
before and after `regsvr32 /n /i:user` of the x64 module in a fresh prefix,
so the installer writes exactly what the module writes itself and the two
cannot drift. The module path in the recording becomes the installed file's
path; the x86 package takes the 32-bit type library entry in place of the
64-bit one, which is the only entry that depends on the architecture.

Both packages may be installed on one 64-bit machine, whose 32-bit and 64-bit
registry views share the type library's keys: the library entries both
packages write there form one component that both carry alike, so that
Windows Installer counts it for each product and removes it with the last.
"""

import argparse
import os
import re
import sys
import xml.etree.ElementTree as ET

USER_CLASSES = "HKEY_CURRENT_USER\\Software\\Classes\\"
# The platform's category definitions are shared by every control that
# names them: an uninstall must not take them away.
SHARED_KEYS = ("Component Categories",)
# Keys that 64-bit Windows keeps once for both registry views.
KEYS_BOTH_VIEWS_SHARE = ("TypeLib",)
# The library's entry for one platform: the only one that differs by architecture.
PLATFORM_ENTRY = r"^(TypeLib\\[^\\]+\\[^\\]+\\[0-9a-fA-F]+\\)win(64|32)$"
# The same in both packages, and 32-bit in both, so that it is one component.
BOTH_VIEWS_COMPONENT_GUID = "{B2E755BF-25CA-4454-950C-EFAF5021A7AC}"
FILE_ID = "CorvelaOcx"

ARCHITECTURES = {
    "x64": {
        "program_files": "ProgramFiles64Folder",
        "win64": "yes",
        "upgrade_code": "{6B1C4E2A-7F3D-4C59-9A0E-2D8B5F1C3A71}",
        "component_guid": "{0E4A7C39-58D2-4B16-A3F1-9C6E2B7D4F85}",
        # No platform tag: the page names the x64 cabinet for 64-bit browsers.
        "inf_file_entry": "file",
    },
    "x86": {
        "program_files": "ProgramFilesFolder",
        "win64": "no",
        "upgrade_code": "{A3D95F17-2C4B-4E8A-B6D0-7F1E3C9A5B24}",
        "component_guid": "{C7F2B8E4-1D6A-4F93-8E5C-3A0B9D2F6E17}",
        "inf_file_entry": "file-win32-x86",
    },
}


def read_reg_export(path):
    """{key below the user's classes: {value name ('' for the default): text}}."""
    with open(path, "rb") as export:
        text = export.read().decode("utf-16")
    keys = {}
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            name = line[1:-1]
            current = name[len(USER_CLASSES):] if name.startswith(USER_CLASSES) else None
            if current is not None:
                keys[current] = {}
        elif current is not None and "=" in line:
            name, value = parse_value_line(line)
            keys[current][name] = value
    return keys


def parse_value_line(line):
    match = re.fullmatch(r'(@|"((?:[^"\\]|\\.)*)")=(.*)', line)
    if not match:
        sys.exit(f"unreadable registry line: {line}")
    name = "" if match.group(1) == "@" else unescape(match.group(2))
    data = match.group(3)
    if not (data.startswith('"') and data.endswith('"')):
        sys.exit(f"the registration wrote a value that is not a string: {line}")
    return name, unescape(data[1:-1])


def unescape(text):
    replacements = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "0": "\0"}
    return re.sub(r"\\(.)", lambda m: replacements.get(m.group(1), m.group(1)), text)


def is_under(key, parents):
    return any(key == parent or key.startswith(parent + "\\") for parent in parents)


def registration_entries(before, after):
    """The keys and values the registration added, without shared keys."""
    added = {}
    for key, values in after.items():
        if is_under(key, SHARED_KEYS):
            continue
        new_values = {n: v for n, v in values.items() if before.get(key, {}).get(n) != v}
        if new_values or key not in before:
            added[key] = new_values
    return added


def for_architecture(entries, arch):
    if arch == "x64":
        return entries
    return {re.sub(PLATFORM_ENTRY, r"\1win32", key): values for key, values in entries.items()}


def in_both_views(key):
    """Whether both packages write this key alike where both views see it."""
    return is_under(key, KEYS_BOTH_VIEWS_SHARE) and not re.match(PLATFORM_ENTRY, key)


def formatted(text):
    """Installer formatted text standing for `text` literally."""
    text = re.sub(r"[\[\]]", lambda m: "[\\" + m.group(0) + "]", text)
    return "#" + text if text.startswith("#") else text


class ModulePaths:
    """Puts the installed file's paths where the recording has the module's."""

    def __init__(self, recorded_path, recorded_short_path):
        if recorded_path == recorded_short_path:
            sys.exit("the recording needs a module path whose short form differs from it")
        self.replacements = [
            (recorded_path, f"[#{FILE_ID}]"),
            (recorded_short_path, f"[!{FILE_ID}]"),
            (recorded_path.rsplit("\\", 1)[0], "[INSTALLDIR]"),
        ]
        self.traces = [recorded_path.rsplit("\\", 1)[0], recorded_short_path.rsplit("\\", 1)[0]]

    def apply(self, value):
        text = formatted(value)
        for recorded, installed in self.replacements:
            text = text.replace(formatted(recorded), installed)
        if any(trace.lower() in text.lower() for trace in self.traces):
            sys.exit(f"a recorded path was left in the value {value!r}")
        return text


def leaf_keys(entries):
    return [key for key in entries if not any(other.startswith(key + "\\") for other in entries)]


def registry_values(entries, paths):
    """(key, name or None, value) rows; '*' creates an empty key and removes it again."""
    rows = []
    leaves = set(leaf_keys(entries))
    for key in sorted(entries):
        values = entries[key]
        for name in sorted(values):
            rows.append((key, name or None, paths.apply(values[name])))
        if not values and key in leaves:
            rows.append((key, "*", ""))
    return rows


def registry_value(key, name, value):
    attributes = {"Root": "HKCR", "Key": key, "Type": "string", "Value": value}
    if name is not None:
        attributes["Name"] = name
    return attributes


def write_wxs(path, arch, version, module, rows):
    settings = ARCHITECTURES[arch]
    ns = "http://schemas.microsoft.com/wix/2006/wi"
    ET.register_namespace("", ns)

    def element(parent, tag, **attributes):
        return ET.SubElement(parent, f"{{{ns}}}{tag}", attributes)

    wix = ET.Element(f"{{{ns}}}Wix")
    product = element(wix, "Product", Id="*", Name=f"Corvela Control ({arch})", Language="1033",
                      Version=version, Manufacturer="Corvela", UpgradeCode=settings["upgrade_code"])
    element(product, "Package", InstallerVersion="500", Compressed="yes", InstallScope="perMachine",
            Description=f"Corvela Control {version} ({arch})")
    element(product, "MajorUpgrade", DowngradeErrorMessage="A newer version of Corvela Control is installed.")
    element(product, "Media", Id="1", Cabinet="corvela.cab", EmbedCab="yes")
    target = element(product, "Directory", Id="TARGETDIR", Name="SourceDir")
    program_files = element(target, "Directory", Id=settings["program_files"])
    folder = element(program_files, "Directory", Id="INSTALLDIR", Name="Corvela")
    component = element(folder, "Component", Id="Module", Guid=settings["component_guid"], Win64=settings["win64"])
    # wixl looks a source up relative to the folder of the file that names it.
    source = os.path.relpath(module, os.path.dirname(os.path.abspath(path)))
    element(component, "File", Id=FILE_ID, Name="CORVELA.OCX", Source=source, KeyPath="yes")
    for row in rows:
        if not in_both_views(row[0]):
            element(component, "RegistryValue", **registry_value(*row))
    # Directly below TARGETDIR, as neither architecture's folder suits a
    # component that both packages carry. Its first value, the library's
    # name, is the key path by which the installer finds it present.
    both = [row for row in rows if in_both_views(row[0])]
    if not both or both[0][1] == "*":
        sys.exit("the recording holds no type library value for both registry views")
    shared = element(target, "Component", Id="BothViews", Guid=BOTH_VIEWS_COMPONENT_GUID, Win64="no")
    key_path, *others = both
    element(shared, "RegistryValue", KeyPath="yes", **registry_value(*key_path))
    for row in others:
        element(shared, "RegistryValue", **registry_value(*row))
    feature = element(product, "Feature", Id="Complete", Level="1")
    element(feature, "ComponentRef", Id="Module")
    element(feature, "ComponentRef", Id="BothViews")
    ET.indent(wix)
    ET.ElementTree(wix).write(path, encoding="utf-8", xml_declaration=True)


def control_class(entries):
    """The class id whose key marks it as a control."""
    for key in entries:
        match = re.fullmatch(r"CLSID\\(\{[0-9A-Fa-f-]+\})\\Control", key)
        if match:
            return match.group(1)
    sys.exit("the recording holds no control class")


def write_inf(path, arch, version, clsid):
    lines = [
        "; Installs the Corvela control when a page names this cabinet in its",
        "; object's codebase.",
        "[version]",
        'signature="$CHICAGO$"',
        "AdvancedINF=2.0",
        "",
        "[Add.Code]",
        "CORVELA.OCX=CORVELA.OCX",
        "",
        "[CORVELA.OCX]",
        f"{ARCHITECTURES[arch]['inf_file_entry']}=thiscab",
        f"clsid={clsid}",
        f"FileVersion={version.replace('.', ',')}",
        "RegisterServer=yes",
    ]
    with open(path, "w", newline="\r\n") as inf:
        inf.write("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--before", required=True, help="export of the user's classes before registering")
    parser.add_argument("--after", required=True, help="export of the user's classes after registering")
    parser.add_argument("--recorded-path", required=True, help="the module's path while recording")
    parser.add_argument("--recorded-short-path", required=True, help="its short (8.3) form")
    parser.add_argument("--arch", required=True, choices=sorted(ARCHITECTURES))
    parser.add_argument("--version", required=True, help="a.b.c.d")
    parser.add_argument("--module", required=True, help="the CORVELA.OCX the installer carries")
    parser.add_argument("--wxs", required=True)
    parser.add_argument("--inf", required=True)
    args = parser.parse_args()

    if not re.fullmatch(r"\d+\.\d+\.\d+\.\d+", args.version):
        sys.exit(f"the version must have four numbers: {args.version}")
    entries = for_architecture(registration_entries(read_reg_export(args.before), read_reg_export(args.after)),
                               args.arch)
    paths = ModulePaths(args.recorded_path, args.recorded_short_path)
    write_wxs(args.wxs, args.arch, args.version, args.module, registry_values(entries, paths))
    write_inf(args.inf, args.arch, args.version, control_class(entries))


if __name__ == "__main__":
    main()
