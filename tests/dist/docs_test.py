#!/usr/bin/env python3
"""The documents name only what exists: every `make` target, every path into the
source tree, every CTest name and every test or tool program that the READMEs
and the package's ReadMe.txt mention in code. Paths below build/, dist/ and bin/
are outputs and are not checked; <placeholders> end a path.
The package's ReadMe.txt and the help page tell a user the same facts, taken
from the code where it has them: the keys, the exit codes, the message of a
start without components and the characters a name may not contain.

Usage: docs_test.py <source dir>"""
import glob
import html
import os
import re
import sys
import unittest

SOURCE = None
# Outputs and other people's trees, below the source folder.
SKIP_DIRS = {".git", "build", "dist", "workdir"}


def walk(root):
    """The source tree's files, outputs left out."""
    for top, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not (top == root and d in SKIP_DIRS) and d != ".git"]
        yield top, files
# First folders of the source tree that a path in the documents may start with.
TREE = r"(?:\.ci|app|bench|cmake|common|components|docs|framework|fuzz|help|scripts|skin|store|tests)"


def code_of(text, plain=False):
    """Code spans and fenced blocks of Markdown; plain text is all code."""
    if plain:
        return [text]
    blocks = re.findall(r"^```[^\n]*\n(.*?)^```", text, re.S | re.M)
    rest = re.sub(r"^```[^\n]*\n.*?^```", "", text, flags=re.S | re.M)
    return blocks + re.findall(r"`([^`\n]+)`", rest)


def make_targets(root):
    with open(os.path.join(root, "Makefile")) as f:
        return set(re.findall(r"^([A-Za-z][\w-]*)\s*:", f.read(), re.M))


def cmake_names(root):
    """CTest names and executable targets declared in the CMake files, as patterns
    (a ${variable} in a name stands for any word)."""
    tests, programs = [], []
    for top, files in walk(root):
        for name in files:
            if name != "CMakeLists.txt" and not name.endswith(".cmake"):
                continue
            with open(os.path.join(top, name)) as f:
                text = f.read()
            gtests = re.findall(r"^\s*kd_add_gtest\(\s*([\w${}]+)", text, re.M)
            tests += gtests + re.findall(r"add_test\(\s*NAME\s+([\w.${}]+)", text)
            programs += gtests + re.findall(r"^\s*add_executable\(\s*([\w${}]+)", text, re.M)

    def pattern(names):
        # A name that is nothing but a variable (inside a function) names nothing.
        return [re.compile("^" + re.sub(r"\\\$\\\{\w+\\\}", r"\\w+", re.escape(n)) + "$")
                for n in names if not re.fullmatch(r"\$\{\w+\}", n)]
    return pattern(tests), pattern(programs)


def problems(doc_text, doc_dir, root, targets, tests, programs, package_files=None):
    """What the text mentions that does not exist, one line each. With the
    package's files, the text is the package's plain-text ReadMe."""
    found = []
    for code in code_of(doc_text, plain=package_files is not None):
        for target in re.findall(r"(?:^|[\s;&(])make\s+([a-z][\w-]*)", code):
            if target not in targets:
                found.append(f"make target {target}")
        for path in re.findall(r"(?:^|[\s(='\"])((?:\.\./)*(?:\./)?" + TREE + r"/[^\s`'\"<>…,;)]*)", code):
            path = re.sub(r"^(?:\.\./)+|^\./", "", path).rstrip(".:")
            if not glob.glob(os.path.join(root, path)):
                found.append(f"path {path}")
        for path in re.findall(r"^([\w-]+/[\w./-]*\w)$", code):  # a path relative to the document's folder
            if re.match(TREE + "/|(?:build|dist|bin)/", path):
                continue
            if not glob.glob(os.path.join(doc_dir, path)) and not glob.glob(os.path.join(root, path)):
                found.append(f"path {path}")
        for name in re.findall(r"(?:^|[\s/])([a-z][a-z0-9]*(?:_[a-z0-9]+)+)\.exe\b", code):
            if not any(p.match(name) for p in programs):
                found.append(f"program {name}.exe")
        if re.fullmatch(r"[a-z][a-z0-9]*(?:_[a-z0-9]+)*_tests|(?:package|docs)_[a-z0-9_]+", code):
            if not any(p.match(code) for p in tests):
                found.append(f"CTest name {code}")
        if package_files is not None:
            for name in re.findall(r"[\w-]+\.cmd\b", code):  # "Start Kordane.cmd" ends in Kordane.cmd
                if not any(f == name or f.endswith(" " + name) for f in package_files):
                    found.append(f"package file {name}")
    return found


# A key as the documents name it: "Ctrl+F", "Shift+F10", "Alt+X", "F3", "Page Up".
KEY = re.compile(r"(?<![\w+])(?:(?:Ctrl|Alt|Shift)\+)+(?:F\d{1,2}|Space|Tab|[A-Z0-9])(?![\w+])"
                 r"|(?<![\w+])(?:F\d{1,2}|Tab|Space|Return|Escape|Home|End|Page Up|Page Down|Menu key"
                 r"|Arrow keys|Windows\+V)(?![\w+])")


def read(*parts):
    with open(os.path.join(SOURCE, *parts), encoding="cp1252") as f:
        return f.read()


def plain(text):
    """A page as one line of words: markup, entities and line breaks gone."""
    text = re.sub(r"<style.*?</style>", "", text, flags=re.S)
    return re.sub(r"\s+", " ", html.unescape(re.sub(r"<[^>]+>", " ", text)))


def c_constant(text, name):
    found = re.search(r"\b" + name + r"\s*=\s*(\d+)\s*;", text)
    return int(found.group(1)) if found else None


class Documents(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.targets = make_targets(SOURCE)
        cls.tests, cls.programs = cmake_names(SOURCE)

    def check(self, text, doc_dir=None, package_files=None):
        return problems(text, doc_dir or SOURCE, SOURCE, self.targets, self.tests, self.programs, package_files)

    def test_the_readmes_name_only_what_exists(self):
        docs = []
        for top, files in walk(SOURCE):
            docs += [os.path.join(top, f) for f in files if f.endswith(".md")]
        self.assertIn(os.path.join(SOURCE, "README.md"), docs)
        for doc in sorted(docs):
            with open(doc, encoding="utf-8") as f, self.subTest(doc=os.path.relpath(doc, SOURCE)):
                text = f.read()
                found = self.check(text, os.path.dirname(doc))
                # Links to other files of the tree.
                for link in re.findall(r"\]\(([^)\s#]+)", text):
                    if "://" not in link and not os.path.exists(os.path.join(os.path.dirname(doc), link)):
                        found.append(f"link {link}")
                self.assertEqual(found, [])

    def test_the_package_readme_names_only_files_of_the_package(self):
        package = os.path.join(SOURCE, "scripts", "package")
        with open(os.path.join(package, "ReadMe.txt"), encoding="utf-8") as f:
            text = f.read()
        # Plain text: the whole file is read as code, each line on its own.
        lines = [line.strip() for line in text.splitlines() if line.strip()]
        found = []
        for line in lines:
            found += problems(line, package, SOURCE, self.targets, self.tests, self.programs, set(os.listdir(package)))
            for page in re.findall(r"help\\([\w.-]+)", line):
                if not os.path.exists(os.path.join(SOURCE, "help", page)):
                    found.append(f"help page {page}")
        self.assertEqual(found, [])

    def test_the_package_readme_and_the_help_page_tell_the_same(self):
        readme = read("scripts", "package", "ReadMe.txt")
        page = read("help", "faq.html")
        docs = {"ReadMe.txt": re.sub(r"\s+", " ", readme), "faq.html": plain(page)}

        # Every key named in one is named in the other, and so is each
        # mnemonic of the main window's buttons.
        keys = {name: set(KEY.findall(text)) for name, text in docs.items()}
        self.assertEqual(keys["ReadMe.txt"] ^ keys["faq.html"], set())
        rc = read("app", "Kordane.rc")
        main = re.search(r"^IDD_KORDANE_DIALOG DIALOGEX.*?^END", rc, re.S | re.M).group(0)
        mnemonics = {"Alt+" + m.upper() for m in re.findall(r'"[^"&]*&(\w)', main)}
        self.assertGreaterEqual(len(mnemonics), 7)
        self.assertEqual(mnemonics - keys["ReadMe.txt"], set())

        # The message of a start without components, as the program shows it,
        # and every exit code the program ends with.
        app = read("app", "CKordaneApp.cpp")
        message = re.search(r'MessageBoxA\(nullptr, "([^"]+)", "Kordane", MB_OK\)', app).group(1)
        codes = {0, c_constant(read("app", "CKordaneApp.h"), "kExitStartFailed"),
                 c_constant(read("app", "CAdminSession.h"), "kExitEntriesNotSaved")}
        self.assertNotIn(None, codes)
        self.assertEqual(len(codes), 3)
        documented = {"ReadMe.txt": {int(c) for c in re.findall(r"^  (\d)  Kordane", readme, re.M)},
                      "faq.html": {int(c) for c in re.findall(r"<th>(\d)</th><td>Kordane", page)}}

        # The characters a name may not contain, as the store checks them.
        store = read("store", "CAccountFile.cpp")
        literal = re.search(r'std::string_view\("([^)]*)"\)\.find\(s\[i\]\)', store).group(1)
        forbidden = set(re.sub(r"\\(.)", r"\1", literal))
        self.assertEqual(len(forbidden), 9)

        for name, text in docs.items():
            with self.subTest(doc=name):
                self.assertIn(message, text)
                self.assertEqual(documented[name], codes)
                listed = re.search(r"may not contain any of the characters (.*?) or a control character", text)
                self.assertIsNotNone(listed)
                self.assertEqual(set(listed.group(1).split()), forbidden)
                self.assertIn("letter case", text)
                # An example a user would copy: the top of a drive, which other users can read.
                self.assertNotIn("D:\\", text)
        self.assertNotIn("D:\\", read("README.md"))

    def test_drift_is_caught(self):
        # The check itself: names that do not exist are reported, real ones are not.
        text = ("Run `make tset`, then `make test`; see `scripts/dist.sh` and `scripts/dist-old.sh`; "
                "`skin_tests`, `skin_tset_tests`, `package_end_to_end`; `build/win32/anything`; "
                "`cd build/win32/bin && ./skin_region_bench.exe 12` and `./region_bench.exe`")
        self.assertEqual(sorted(self.check(text)), sorted([
            "make target tset", "path scripts/dist-old.sh", "CTest name skin_tset_tests", "program region_bench.exe"]))
        self.assertEqual(self.check("Run uninstall.cmd, then remove.cmd.", package_files={"uninstall.cmd"}),
                         ["package file remove.cmd"])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    SOURCE = os.path.abspath(sys.argv.pop())
    unittest.main(verbosity=2)
