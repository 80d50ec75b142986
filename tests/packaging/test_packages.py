"""The deployment packages: what each holds, the one version they all carry,
their signatures, and installing and removing the MSIs under Wine.

scripts/test-packages.sh builds the packages into CORVELA_DIST, signed with a
throwaway certificate (CORVELA_TEST_CA), and runs this in a private Wine
session.
"""

import os
import re
import struct
import subprocess
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DIST = Path(os.environ["CORVELA_DIST"])
TEST_CA = os.environ["CORVELA_TEST_CA"]
CONTROL_CLSID = "{22C0BDC4-1418-4D8A-BCEE-049597103EF0}"
LIBRARY = "TypeLib\\{8CC50065-96C8-4751-A991-C5026DB72DA7}"
PE_MACHINES = {"x64": 0x8664, "x86": 0x14C}
# What the machine registration owns, below the machine's classes.
REGISTERED_KEYS = [
    f"CLSID\\{CONTROL_CLSID}",
    "CLSID\\{EFD14063-0961-4B3C-A547-3EA9E78FA9F3}",
    "CORVELA.CorvelaCtrl.1",
    LIBRARY,
    "Interface\\{68B04726-33A0-4366-87A7-167090092776}",
    "Interface\\{FE88F569-8564-41D8-A058-6253E3E87CFE}",
]
SAFE_CATEGORIES = ["{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "{7DD95802-9882-11CF-9FA9-00AA006C42C4}"]
# The library's name, flags and help folder: one copy that both registry views see.
LIBRARY_VALUES = [f"{LIBRARY}\\1.0", f"{LIBRARY}\\1.0\\FLAGS", f"{LIBRARY}\\1.0\\HELPDIR"]
# Where each MSI installs, in which registry view, and whether its module can
# run here (32-bit programs cannot run on this kernel).
INSTALLATIONS = {
    "x64": {"folder": "Program Files", "view": "/reg:64", "runs": True},
    "x86": {"folder": "Program Files (x86)", "view": "/reg:32", "runs": False},
}


def run(*command, timeout=120):
    """The command's exit code and output. The output goes through a file:
    processes that Wine starts on the side keep a pipe open long after the
    command itself has ended."""
    with tempfile.TemporaryFile("w+") as output, tempfile.TemporaryFile("w+") as errors:
        code = subprocess.run(command, stdout=output, stderr=errors, text=True, timeout=timeout).returncode
        output.seek(0)
        errors.seek(0)
        return subprocess.CompletedProcess(command, code, output.read(), errors.read())


def module(arch):
    return DIST / arch / "CORVELA.OCX"


def msi(arch):
    return DIST / f"corvela-{arch}.msi"


def cab(arch):
    return DIST / f"corvela-{arch}.cab"


def fixed_versions(path):
    """The file and product versions of a module's version resource."""
    data = path.read_bytes()
    start = data.find(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", data, start + 8)
    as_tuple = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return as_tuple(file_ms, file_ls), as_tuple(product_ms, product_ls)


def pe_machine(path):
    data = path.read_bytes()
    (header,) = struct.unpack_from("<I", data, 0x3C)
    (machine,) = struct.unpack_from("<H", data, header + 4)
    return machine


def msi_rows(package, table):
    lines = run("msiinfo", "export", str(package), table).stdout.splitlines()
    names = lines[0].split("\t")
    return [dict(zip(names, line.split("\t"))) for line in lines[3:]]


def msi_property(package, name):
    return {row["Property"]: row["Value"] for row in msi_rows(package, "Property")}[name]


def extracted_cab(package, folder):
    result = run("gcab", "-x", "-C", folder, str(package))
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    return {path.name: path.read_bytes() for path in Path(folder).iterdir()}


def inf_text(arch):
    with tempfile.TemporaryDirectory() as folder:
        return extracted_cab(cab(arch), folder)["corvela.inf"].decode("ascii")


class PackageContents(unittest.TestCase):
    def test_every_package_and_the_readme_carry_the_modules_version(self):
        versions = {arch: fixed_versions(module(arch)) for arch in PE_MACHINES}
        file_version, product_version = versions["x64"]
        self.assertEqual(versions["x86"], versions["x64"])
        self.assertEqual(product_version, file_version)
        dotted = ".".join(map(str, file_version))
        commas = ",".join(map(str, file_version))
        for arch in PE_MACHINES:
            with self.subTest(arch=arch):
                self.assertEqual(msi_property(msi(arch), "ProductVersion"), dotted)
                self.assertIn(f"FileVersion={commas}\r\n", inf_text(arch))
        readme = (ROOT / "README.md").read_text()
        self.assertEqual(re.findall(r'codebase="[^"#]+#version=([\d,]+)"', readme), [commas, commas])

    def test_each_architecture_carries_its_own_module(self):
        for arch, machine in PE_MACHINES.items():
            with self.subTest(arch=arch), tempfile.TemporaryDirectory() as folder:
                built = module(arch).read_bytes()
                self.assertEqual(pe_machine(module(arch)), machine)
                self.assertEqual(extracted_cab(cab(arch), folder + "/cab"),
                                 {"CORVELA.OCX": built, "corvela.inf": inf_text(arch).encode("ascii")})
                self.assertEqual(run("msiextract", "-C", folder + "/msi", str(msi(arch))).returncode, 0)
                (carried,) = Path(folder, "msi").rglob("CORVELA.OCX")
                self.assertEqual(carried.read_bytes(), built)

    def test_the_x86_installer_is_a_32_bit_package_with_the_same_entries(self):
        summary = run("msiinfo", "suminfo", str(msi("x86"))).stdout
        self.assertIn("Template: Intel;1033", summary)
        self.assertIn("Template: x64;1033", run("msiinfo", "suminfo", str(msi("x64"))).stdout)
        folders = {row["Directory"]: row["Directory_Parent"] for row in msi_rows(msi("x86"), "Directory")}
        self.assertEqual(folders["INSTALLDIR"], "ProgramFilesFolder")
        for component in msi_rows(msi("x86"), "Component"):
            self.assertEqual(int(component["Attributes"]) & 256, 0)  # not a 64-bit component

        def entries(arch):
            return sorted((row["Key"], row["Name"], row["Value"]) for row in msi_rows(msi(arch), "Registry"))

        x64 = [(key.replace("\\0\\win64", "\\0\\win32"), name, value) for key, name, value in entries("x64")]
        self.assertEqual(entries("x86"), x64)
        self.assertIn((f"CLSID\\{CONTROL_CLSID}\\InprocServer32", "", "[!CorvelaOcx]"), x64)

    def test_the_inf_installs_the_control_from_its_cabinet(self):
        for arch, file_entry in {"x64": "file=thiscab", "x86": "file-win32-x86=thiscab"}.items():
            with self.subTest(arch=arch):
                lines = inf_text(arch).splitlines()
                section = lines[lines.index("[CORVELA.OCX]"):]
                self.assertIn("CORVELA.OCX=CORVELA.OCX", lines[lines.index("[Add.Code]"):])
                self.assertIn(file_entry, section)
                self.assertIn(f"clsid={CONTROL_CLSID}", section)
                self.assertIn("RegisterServer=yes", section)

    def test_every_module_and_package_is_signed(self):
        for path in [module("x64"), module("x86"), msi("x64"), msi("x86"), cab("x64"), cab("x86")]:
            with self.subTest(path=path.name):
                result = run("osslsigncode", "verify", "-CAfile", TEST_CA, "-in", str(path))
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


def wine(*arguments, timeout=180):
    return run("wine", *arguments, timeout=timeout)


def machine_key_exists(key, view):
    return wine("reg", "query", f"HKLM\\Software\\Classes\\{key}", view, timeout=60).returncode == 0


def machine_default_value(key, view):
    """The key's default value; None when the key is missing or has none,
    which reg shows as "(value not set)"."""
    output = wine("reg", "query", f"HKLM\\Software\\Classes\\{key}", "/ve", view, timeout=60).stdout
    shown = [line.split("REG_SZ", 1)[1].strip() for line in output.splitlines() if "REG_SZ" in line]
    return shown[0] if shown and shown[0] != "(value not set)" else None


def msiexec(action, arch):
    return wine("msiexec", action, wine("winepath", "-w", str(msi(arch))).stdout.strip(), "/qn").returncode


def installed_folder(arch):
    return Path(os.environ["WINEPREFIX"]) / "drive_c" / INSTALLATIONS[arch]["folder"] / "Corvela"


# In the Wine session that scripts/test-packages.sh starts.
class MsiInstallation(unittest.TestCase):
    def assert_registered(self, arch):
        view = INSTALLATIONS[arch]["view"]
        for key in REGISTERED_KEYS + [f"CLSID\\{CONTROL_CLSID}\\Implemented Categories\\{c}" for c in SAFE_CATEGORIES]:
            self.assertTrue(machine_key_exists(key, view), key)
        for key in LIBRARY_VALUES:
            self.assertIsNotNone(machine_default_value(key, view), key)
        if INSTALLATIONS[arch]["runs"]:
            script = wine("winepath", "-w", str(Path(__file__).with_name("installed_control.js"))).stdout.strip()
            created = wine("cscript", "//nologo", script, timeout=120)
            self.assertEqual(created.returncode, 0, created.stdout + created.stderr)

    def assert_nothing_left(self):
        for arch, installation in INSTALLATIONS.items():
            self.assertFalse(installed_folder(arch).exists())
            for key in REGISTERED_KEYS:
                self.assertFalse(machine_key_exists(key, installation["view"]), key)

    def test_installs_a_working_control_and_leaves_nothing_behind(self):
        for arch in INSTALLATIONS:
            with self.subTest(arch=arch):
                self.assertEqual(msiexec("/i", arch), 0)
                self.assertEqual((installed_folder(arch) / "CORVELA.OCX").read_bytes(), module(arch).read_bytes())
                self.assert_registered(arch)
                self.assertEqual(msiexec("/x", arch), 0)
                self.assert_nothing_left()

    def test_removing_one_package_leaves_the_other_registered(self):
        for removed, kept in [("x86", "x64"), ("x64", "x86")]:
            with self.subTest(removed=removed):
                self.assertEqual(msiexec("/i", "x64"), 0)
                self.assertEqual(msiexec("/i", "x86"), 0)
                self.assertEqual(msiexec("/x", removed), 0)
                self.assertFalse(installed_folder(removed).exists())
                self.assert_registered(kept)
                self.assertEqual(msiexec("/x", kept), 0)
                self.assert_nothing_left()


if __name__ == "__main__":
    unittest.main()
