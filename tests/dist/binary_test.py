#!/usr/bin/env python3
"""The four shipped binaries of one architecture, checked without running them:
the machine they are built for, that they need no DLL beside them but ours
(the runtime is linked statically), the exports the COM runtime and Kordane
find them by, and the version resource. On a host that cannot run an
architecture under Wine, this is what still checks its build.

Usage: binary_test.py <win32|win64> <version> <folder with the binaries>"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe import Pe  # noqa: E402

ARCH = VERSION = FOLDER = None
MACHINE = {"win32": 0x14C, "win64": 0x8664}
IMAGE_FILE_DLL = 0x2000
SUBSYSTEM_GUI = 2
VFT_APP, VFT_DLL = 1, 2
BINARIES = ["Kordane.exe", "Scrivet.dll", "Helper.dll", "Vellaris.dll"]
# What Windows itself provides; a MinGW runtime DLL (libstdc++, libgcc,
# winpthread) or anything else here would have to ship beside the program.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "version.dll"}
COM_EXPORTS = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}
SKIN_ORDINALS = {1, 2, 3, 4}  # SkinSetOption, SkinSetMask, SkinLoad, SkinUnload


def load(name):
    with open(os.path.join(FOLDER, name), "rb") as f:
        return Pe(f.read())


class Binaries(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = {name: load(name) for name in BINARIES}

    def test_built_for_the_architecture_as_a_gui_program_and_dlls(self):
        for name, pe in self.pe.items():
            with self.subTest(binary=name):
                self.assertEqual(pe.machine, MACHINE[ARCH])
                self.assertEqual(pe.pe32_plus, ARCH == "win64")
                self.assertEqual(bool(pe.characteristics & IMAGE_FILE_DLL), name.endswith(".dll"))
        self.assertEqual(self.pe["Kordane.exe"].subsystem, SUBSYSTEM_GUI)

    def test_need_no_dll_but_the_systems_and_ours(self):
        for name, pe in self.pe.items():
            with self.subTest(binary=name):
                imported = {dll.lower() for dll in pe.imports()}
                ours = {"vellaris.dll"} if name == "Kordane.exe" else set()
                self.assertEqual(imported - SYSTEM_DLLS - ours, set())
        # Kordane binds the skin by ordinal, as the skin exports nothing by name.
        skin = self.pe["Kordane.exe"].imports().get("Vellaris.dll")
        self.assertTrue(skin)
        self.assertTrue(set(skin) <= SKIN_ORDINALS, skin)

    def test_export_what_they_are_found_by(self):
        for name in ("Scrivet.dll", "Helper.dll"):
            with self.subTest(binary=name):
                # Undecorated names: regsvr32 and CoGetClassObject look them up so.
                self.assertEqual(set(self.pe[name].exports().values()), COM_EXPORTS)
        self.assertEqual(self.pe["Vellaris.dll"].exports(), {n: None for n in SKIN_ORDINALS})
        self.assertEqual(self.pe["Kordane.exe"].exports(), {})

    def test_carry_the_product_version(self):
        numbers = tuple(int(n) for n in VERSION.split(".")) + (0,)
        for name, pe in self.pe.items():
            with self.subTest(binary=name):
                info = pe.version_info()
                self.assertEqual(info["fixed"], (numbers, numbers, VFT_APP if name.endswith(".exe") else VFT_DLL))
                self.assertEqual(info["ProductName"], "Kordane")
                self.assertEqual(info["FileVersion"], VERSION)
                self.assertEqual(info["ProductVersion"], VERSION)
                self.assertEqual(info["OriginalFilename"], name)
                self.assertTrue(info["FileDescription"])


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in MACHINE:
        sys.exit(__doc__)
    ARCH, VERSION, FOLDER = sys.argv[1:4]
    del sys.argv[1:4]
    unittest.main(verbosity=2)
