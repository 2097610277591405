#!/usr/bin/env python3
"""The probe that decides whether this host runs 32-bit programs
(scripts/wine-host.sh), with stand-in loaders, and that no script starts Wine
around it.

Usage: wine_host_test.py <source folder>"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = None
SHIMS = None


def probe(**env):
    """KD_WINE_ARCHS, KD_PROGRAM_ARCH, KD_WIN32_SKIPPED, WINELOADER and the
    first `wine` on PATH after sourcing the probe in a clean environment."""
    # As a fresh shell has it: without the shims an outer probe put first.
    path = os.pathsep.join(p for p in os.environ["PATH"].split(os.pathsep) if p != SHIMS)
    base = {"PATH": path, "HOME": os.environ.get("HOME", "/")}
    script = ('source scripts/wine-host.sh; printf "%s\\n" "$KD_WINE_ARCHS" "$KD_PROGRAM_ARCH" '
              '"$KD_WIN32_SKIPPED" "${WINELOADER:-}" "$(command -v wine || true)"')
    out = subprocess.run(["bash", "-c", script], cwd=ROOT, env={**base, **env}, capture_output=True,
                         text=True, check=True).stdout
    return dict(zip(("archs", "program", "skipped", "loader", "wine"), out.split("\n")))


class Probe(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def loader(self, name, body):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, 0o755)
        return path

    def test_a_working_32_bit_loader_keeps_both_architectures_and_the_wrappers(self):
        got = probe(KD_WINE32_LOADER=self.loader("wine", "exit 0"))
        self.assertEqual((got["archs"], got["program"], got["skipped"], got["loader"]), ("win32 win64", "win32", "", ""))
        self.assertNotEqual(os.path.dirname(got["wine"]), SHIMS)

    def test_a_32_bit_loader_that_cannot_run_leaves_win64_through_the_64_bit_loader(self):
        wine64 = self.loader("wine64", "exit 0")
        for name, loader, reason in (("refused", self.loader("refused", "exit 126"), "cannot execute 32-bit"),
                                     ("missing", os.path.join(self.dir.name, "none"), "not installed"),
                                     ("forced", self.loader("works", "exit 0"), "KD_WIN64_ONLY=1")):
            with self.subTest(name):
                env = {"KD_WINE32_LOADER": loader, "KD_WINE64_LOADER": wine64}
                if name == "forced":
                    env["KD_WIN64_ONLY"] = "1"
                got = probe(**env)
                self.assertEqual((got["archs"], got["program"], got["loader"]), ("win64", "win64", wine64))
                self.assertIn(reason, got["skipped"])
                self.assertEqual(got["wine"], os.path.join(SHIMS, "wine"))

    def test_nested_scripts_keep_the_first_answer(self):
        got = probe(KD_WINE_ARCHS="win64", KD_PROGRAM_ARCH="win64", KD_WIN32_SKIPPED="earlier",
                    KD_WINE32_LOADER=self.loader("wine", "exit 0"))
        self.assertEqual((got["archs"], got["skipped"]), ("win64", "earlier"))

    def test_the_shims_start_the_64_bit_loader_for_every_wine_command(self):
        echo = self.loader("wine64", 'echo "$WINELOADER|$*"')
        env = {"PATH": os.environ["PATH"], "KD_WINE64_LOADER": echo}
        for command, expected in ((["wine", "x.exe", "a b"], "x.exe a b"), (["wineboot", "-i"], "wineboot -i"),
                                  (["regsvr32", "/s", "y.dll"], "regsvr32 /s y.dll")):
            with self.subTest(command[0]):
                out = subprocess.run([os.path.join(SHIMS, command[0])] + command[1:], env=env,
                                     capture_output=True, text=True, check=True).stdout.strip()
                self.assertEqual(out, f"{echo}|{expected}")


class Scripts(unittest.TestCase):
    # A Wine command at the start of a shell command, or a loader named by path.
    WINE_CALL = re.compile(r"(^|[;&|(`]|\bexec|\bthen|\bdo|\|\|)\s*(wine|wineboot|wineserver|regsvr32|wine64)\b"
                           r"|/usr/(bin|lib/wine)/wine", re.M)

    def test_every_script_that_starts_wine_goes_through_the_probe(self):
        # The probe itself, and the package list that names Wine's packages.
        exempt = {os.path.join("scripts", "wine-host.sh"), os.path.join("scripts", "install-deps.sh")}
        checked = []
        for folder in ("scripts", "tests", "cmake"):
            for top, _, files in os.walk(os.path.join(ROOT, folder)):
                for name in files:
                    path = os.path.join(top, name)
                    rel = os.path.relpath(path, ROOT)
                    if rel in exempt or rel.startswith(os.path.join("scripts", "wine64-only")):
                        continue
                    with open(path, "rb") as f:
                        first = f.readline()
                    if not (name.endswith((".sh", ".in")) or (first.startswith(b"#!") and b"sh" in first)):
                        continue
                    with open(path, errors="replace") as f:
                        text = f.read()
                    code = "\n".join(line.split("#", 1)[0] for line in text.splitlines())
                    if self.WINE_CALL.search(code):
                        checked.append(rel)
                        with self.subTest(script=rel):
                            self.assertRegex(code, r"(source|\.)\s+.*wine-env\.sh")
                            self.assertNotRegex(code, r"/usr/(bin|lib/wine)/wine")
        self.assertIn(os.path.join("scripts", "run.sh"), checked)  # the scan sees calls at all

    def test_make_test_probes_the_host_after_installing_the_packages(self):
        # A fresh machine gets wine32 from install-deps.sh, in the background
        # while the native build runs: a probe made before it is in would skip
        # every win32 test on a host that runs them. test.sh runs here beside
        # stand-ins (a Windows group that takes a second, builds that do
        # nothing) that note the order and end it at the probe.
        with tempfile.TemporaryDirectory() as tmp:
            scripts = os.path.join(tmp, "scripts")
            tools = os.path.join(tmp, "tools")
            os.makedirs(scripts)
            os.makedirs(tools)
            with open(os.path.join(ROOT, "scripts", "test.sh")) as f:
                test_sh = f.read()
            stand_ins = {
                os.path.join(scripts, "test.sh"): test_sh,
                os.path.join(scripts, "install-deps.sh"):
                    '#!/bin/sh\n[ "$1" = windows ] && sleep 1\necho "installed $1" >> "$(dirname "$0")/../order"\n',
                os.path.join(scripts, "format.sh"): "#!/bin/sh\nexit 0\n",
                os.path.join(scripts, "test-summary.py"): "print(0, 0, 0)\n",
                os.path.join(scripts, "wine-host.sh"): 'echo probed >> "$root/order"\nexit 0\n',
                os.path.join(tools, "cmake"): "#!/bin/sh\nexit 0\n",
                os.path.join(tools, "ctest"): "#!/bin/sh\nexit 0\n",
            }
            for path, text in stand_ins.items():
                with open(path, "w") as f:
                    f.write(text)
                os.chmod(path, 0o755)
            env = {**os.environ, "BUILD": "b", "PATH": tools + os.pathsep + os.environ["PATH"]}
            subprocess.run(["bash", os.path.join(scripts, "test.sh")], cwd=tmp, env=env, capture_output=True,
                           timeout=60)
            with open(os.path.join(tmp, "order")) as f:
                self.assertEqual(f.read().splitlines(), ["installed native", "installed windows", "probed"])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    ROOT = os.path.abspath(sys.argv.pop())
    SHIMS = os.path.join(ROOT, "scripts", "wine64-only")
    unittest.main(verbosity=2)
