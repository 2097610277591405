#!/usr/bin/env python3
"""What makes a release zip reproducible, checked in the zip itself: entries in
sorted order with the source date and fixed attributes, no extra fields, no
folder of the machine that built it in any file, and binaries without time
stamps or symbol tables. And what makes an upgrade safe: one top folder whose
name carries no version, and nothing in it that could overwrite a user's file.

Usage: package_check.py <zip> <epoch> <folder>...   (folders that must not appear)"""
import os
import sys
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe import Pe  # noqa: E402

ZIP = EPOCH = None
FOLDERS = []


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.archive = zipfile.ZipFile(ZIP)
        cls.entries = cls.archive.infolist()

    def test_entries_sorted_with_the_source_date_and_fixed_attributes(self):
        names = [e.filename for e in self.entries]
        self.assertEqual(names, sorted(names))
        self.assertEqual(len(names), len(set(names)))
        stamp = time.gmtime(EPOCH - EPOCH % 2)[:6]  # a zip holds even seconds only
        for e in self.entries:
            with self.subTest(entry=e.filename):
                self.assertEqual(e.date_time, stamp)
                self.assertEqual(e.extra, b"")
                self.assertEqual(e.create_system, 3)
                self.assertEqual(e.external_attr >> 16, 0o40755 if e.is_dir() else 0o100644)

    def test_binaries_carry_no_time_stamp_and_no_symbols(self):
        binaries = [e for e in self.entries if e.filename.endswith((".exe", ".dll"))]
        self.assertEqual(sorted(os.path.basename(e.filename) for e in binaries),
                         ["Helper.dll", "Kordane.exe", "Scrivet.dll", "Vellaris.dll"])
        for e in binaries:
            with self.subTest(binary=e.filename):
                pe = Pe(self.archive.read(e))
                self.assertEqual({k: v for k, v in pe.time_stamps().items() if v}, {})
                self.assertEqual(pe.symbol_count, 0)
                self.assertFalse([s[0] for s in pe.sections if s[0].startswith(".debug")])

    def test_one_unversioned_top_folder_and_only_the_program_s_files(self):
        # Extracted over an older version, the zip must land in the same folder
        # and replace nothing a user made there (account files, their locks, the log).
        self.assertEqual({e.filename.split("/")[0] for e in self.entries}, {"Kordane"})
        users = [e.filename for e in self.entries
                 if e.filename.lower().endswith((".qrd", ".lock")) or e.filename.startswith(("Kordane/Scrivet/", "Kordane/Tmp/"))]
        self.assertEqual(users, [])

    def test_the_build_s_inputs_and_the_changelog_ship_along(self):
        info = self.archive.read("Kordane/BuildInfo.txt").decode()
        lines = dict(line.split(": ", 1) for line in info.splitlines()[1:] if ": " in line)
        self.assertRegex(lines.get("commit", ""), r"^([0-9a-f]{40}|unknown)$")
        self.assertIn("mingw32-g++", lines.get("compiler", ""))
        self.assertIn("GNU ld", lines.get("binutils", ""))
        self.assertIn("KD_WEB_SITE_URL", info)
        self.assertTrue(info.endswith("\r\n"))
        self.assertIn(b"## Unreleased", self.archive.read("Kordane/CHANGELOG.md"))

    def test_no_build_machine_folder_in_any_file(self):
        needles = [f.rstrip("/").encode() for f in FOLDERS]
        needles += [n.replace(b"/", b"\\") for n in needles]
        for e in self.entries:
            if e.is_dir():
                continue
            data = self.archive.read(e)
            with self.subTest(entry=e.filename):
                self.assertEqual([n.decode() for n in needles if n in data], [])


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    ZIP, EPOCH, FOLDERS = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    del sys.argv[1:]
    unittest.main(verbosity=2)
