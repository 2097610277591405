#!/usr/bin/env python3
"""`scripts/format.sh --check` names every file the house style would change,
says how to fix them and fails; a formatted tree passes. Runs this tree's
format.sh in a small repository of its own.

Usage: format_test.py <source folder>"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = None


class FormatCheck(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.repo = tmp.name
        os.makedirs(os.path.join(self.repo, "scripts"))
        os.makedirs(os.path.join(self.repo, "src"))
        shutil.copy(os.path.join(ROOT, "scripts", "format.sh"), os.path.join(self.repo, "scripts"))
        shutil.copy(os.path.join(ROOT, ".clang-format"), self.repo)
        subprocess.run(["git", "init", "--quiet", self.repo], check=True)
        self.write("src/a.cpp", "int a = 1;\n")
        self.write("src/b.h", "#pragma once\n\nint b();\n")
        self.write("src/c.cpp", "int c = 3;\n")

    def write(self, name, text):
        with open(os.path.join(self.repo, name), "w") as f:
            f.write(text)
        subprocess.run(["git", "-C", self.repo, "add", "-A"], check=True, capture_output=True)

    def check(self):
        return subprocess.run(["bash", "scripts/format.sh", "--check"], cwd=self.repo, capture_output=True, text=True)

    def test_a_formatted_tree_passes(self):
        tracked = subprocess.run(["git", "-C", self.repo, "ls-files", "*.cpp", "*.h"], capture_output=True, text=True).stdout
        self.assertEqual(tracked.split(), ["src/a.cpp", "src/b.h", "src/c.cpp"])  # checked, not passed for want of files
        result = self.check()
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_every_unformatted_file_is_named_with_the_fix(self):
        self.write("src/a.cpp", "int  a=1;\n")
        self.write("src/c.cpp", "int c = 3;   \nint  d;\n")
        result = self.check()
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual([line for line in result.stdout.splitlines() if line.startswith("not formatted")],
                         ["not formatted: src/a.cpp", "not formatted: src/c.cpp"])
        self.assertIn("fix: make format", result.stdout)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    ROOT = os.path.abspath(sys.argv.pop())
    unittest.main(verbosity=2)
