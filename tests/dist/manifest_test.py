#!/usr/bin/env python3
"""Kordane.exe carries the one application manifest Windows reads at start-up
(RT_MANIFEST 1), and that manifest runs it as the invoking user, names Windows 7
to 11 as supported, keeps it DPI unaware and the classic common controls, and
declares the two components with the class identifiers their interface headers
fix, so that they are found beside the program with nothing registered.

Usage: manifest_test.py <Kordane.exe> <source dir>"""
import os
import re
import sys
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe import RT_MANIFEST, Pe  # noqa: E402

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
DPI_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
DPI_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

WINDOWS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}

EXE = SOURCE = None


def header_clsid(header, name):
    """The class identifier `name` of an interface header, as registry text."""
    with open(os.path.join(SOURCE, header)) as f:
        text = f.read()
    m = re.search(name + r"\s*=\s*\{\s*0x(\w+),\s*0x(\w+),\s*0x(\w+),\s*\{([^}]*)\}", text)
    if not m:
        raise AssertionError(f"{name} not found in {header}")
    tail = [int(b, 16) for b in m.group(4).split(",")]
    return "{%08X-%04X-%04X-%02X%02X-%s}" % (int(m.group(1), 16), int(m.group(2), 16), int(m.group(3), 16),
                                          tail[0], tail[1], "".join("%02X" % b for b in tail[2:]))


class Manifest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.manifests = Pe(f.read()).resources(RT_MANIFEST)

    def manifest(self):
        self.assertEqual([name for name, _ in self.manifests], [1], "exactly one manifest, with the id 1")
        text = next(iter(self.manifests.values()))
        root = ET.fromstring(text)
        self.assertEqual(root.tag, ASM_V1 + "assembly")
        self.assertEqual(root.get("manifestVersion"), "1.0")
        return root

    def test_runs_as_the_invoking_user(self):
        levels = self.manifest().findall(f".//{ASM_V3}requestedExecutionLevel")
        self.assertEqual(len(levels), 1)
        self.assertEqual(levels[0].get("level"), "asInvoker")
        self.assertEqual(levels[0].get("uiAccess"), "false")
        # The element must sit where Windows looks for it, or the program stays legacy.
        self.assertEqual(len(self.manifest().findall(
            f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/{ASM_V3}requestedExecutionLevel")), 1)

    def test_names_windows_7_to_11(self):
        ids = [e.get("Id").lower() for e in self.manifest().findall(f"{COMPAT}compatibility/{COMPAT}application/{COMPAT}supportedOS")]
        self.assertEqual(sorted(ids), sorted(WINDOWS), "supported systems: " + ", ".join(WINDOWS.get(i, i) for i in ids))

    def test_fixed_pixel_skin_stays_dpi_unaware(self):
        root = self.manifest()
        aware = root.findall(f".//{DPI_2005}dpiAware")
        self.assertEqual([e.text.strip().lower() for e in aware], ["false"])
        self.assertEqual(root.findall(f".//{DPI_2016}dpiAwareness"), [])
        self.assertEqual(root.findall(f".//{DPI_2016}gdiScaling"), [])

    def test_keeps_the_classic_common_controls(self):
        names = [e.get("name") for e in self.manifest().iter() if e.tag.endswith("assemblyIdentity")]
        self.assertNotIn("Microsoft.Windows.Common-Controls", names)

    def test_declares_both_components_beside_the_program(self):
        root = self.manifest()
        declared = {}
        for file in root.findall(f"{ASM_V1}file"):
            for cls in file.findall(f"{ASM_V1}comClass"):
                declared[cls.get("clsid").upper()] = file.get("name")
                # Objects live in the main apartment, as the registration says none.
                self.assertIsNone(cls.get("threadingModel"), file.get("name"))
        self.assertEqual(declared, {
            header_clsid("components/log/include/IScrivet.h", "CLSID_Scrivet"): "Scrivet.dll",
            header_clsid("components/helper/include/IHelper.h", "CLSID_Helper"): "Helper.dll",
        })

    def test_has_an_identity_first(self):
        # A manifest that declares files needs an identity, as its first element.
        root = self.manifest()
        first = list(root)[0]
        self.assertEqual(first.tag, ASM_V1 + "assemblyIdentity")
        self.assertEqual(first.get("type"), "win32")
        self.assertTrue(first.get("name"))
        self.assertRegex(first.get("version"), r"^\d+\.\d+\.\d+\.\d+$")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    SOURCE = sys.argv.pop()
    EXE = sys.argv.pop()
    unittest.main(verbosity=2)
