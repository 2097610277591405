#!/usr/bin/env python3
"""`make dist` packs one commit and nothing else: it refuses a work tree with
changes no commit holds, and a HEAD tagged with another version than
project(VERSION). Runs scripts/dist.sh of this tree in a clone of the project.

Usage: dist_test.py <source folder>"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = None


def git(repo, *args):
    return subprocess.run(["git", "-C", repo, "-c", "user.name=t", "-c", "user.email=t@t", *args],
                          capture_output=True, text=True, check=True).stdout


class Dist(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.repo = os.path.join(tmp.name, "clone")
        subprocess.run(["git", "clone", "--quiet", "--shared", ROOT, self.repo], check=True)
        # This tree's dist.sh, committed, so that the clone starts clean.
        shutil.copy(os.path.join(ROOT, "scripts", "dist.sh"), os.path.join(self.repo, "scripts", "dist.sh"))
        git(self.repo, "commit", "--quiet", "--allow-empty", "-am", "dist.sh under test")
        with open(os.path.join(self.repo, "CMakeLists.txt")) as f:
            self.version = next(line.split("VERSION")[1].split()[0] for line in f if line.startswith("project("))

    def dist(self):
        # No build folder: a tree that passes the checks fails later, at the build.
        env = {**os.environ, "BUILD": os.path.join(self.repo, "no-build"), "KD_DIST_NO_BUILD": "1"}
        env.pop("KD_DIST_ALLOW_CHANGES", None)
        return subprocess.run(["bash", "scripts/dist.sh", "--out", os.path.join(self.repo, "out"), "win64"],
                              cwd=self.repo, env=env, capture_output=True, text=True)

    def test_a_local_edit_is_refused_and_named(self):
        with open(os.path.join(self.repo, "scripts", "package", "ReadMe.txt"), "a") as f:
            f.write("a local edit\n")
        result = self.dist()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("changes that no commit holds", result.stderr)
        self.assertIn("scripts/package/ReadMe.txt", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.repo, "out")))

    def test_an_untracked_file_is_refused_too(self):
        with open(os.path.join(self.repo, "help", "extra.html"), "w") as f:
            f.write("<p>not committed</p>\n")
        self.assertIn("help/extra.html", self.dist().stderr)

    def test_a_tag_of_another_version_is_refused_and_the_right_one_passes(self):
        git(self.repo, "tag", "v9.9.9")
        result = self.dist()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("tagged v9.9.9", result.stderr)
        git(self.repo, "tag", "-d", "v9.9.9")
        git(self.repo, "tag", "v" + self.version)
        result = self.dist()
        self.assertNotIn("tagged", result.stderr)
        self.assertNotIn("changes that no commit holds", result.stderr)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    ROOT = os.path.abspath(sys.argv.pop())
    unittest.main(verbosity=2)
