"""The installer under Wine, in a Wine prefix of its own whose drive Z: (the Linux root, and
with it the checkout) is removed: installed silently for the current user, it puts the
programs, the Help manual and the licences in %LOCALAPPDATA%\\Programs\\Tolvane, a Start-menu
folder and an entry, with its publisher, in the list of installed programs. The installed
programs carry their version and manifest, answer --version and /?, point their
troubleshooting link at the installed Windows manual and convert a small mailbox. The
uninstaller takes all of that away again, the program's registry key included.

    windows_installer.py WINE_RUN SETUP_EXE VERSION PROGRAM_INFO_PROBE LINUX_PSTCHECK
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "install"))
from mailbox_check import (ALSO_CONVERTED, EXPECTED_SUBJECTS, MAILBOX,  # noqa: E402
                           appointment_problems, subjects_by_folder)

WINE_RUN = SETUP = VERSION = PROBE = PSTCHECK = None
PUBLISHER = "The Tolvane developers"
PROGRAM_FILES = ["tolvane.exe", "tolvane-convert.exe", "help.html", "README.txt",
                 "Uninstall.exe"]
SHORTCUTS = ["Tolvane.lnk", "Tolvane Help Manual.lnk", "Uninstall Tolvane.lnk"]
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"
PROGRAM_KEY = r"HKCU\Software\Tolvane"
WORK = r"C:\tolvane-test"


class InstalledUnderWineWithoutTheCheckout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="tolvane-wine-install-")
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix)
        if cls.wine("wineboot", "-i").returncode != 0:
            raise AssertionError("wineboot failed in " + cls.prefix)
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=cls.env, timeout=300)
        os.remove(os.path.join(cls.prefix, "dosdevices", "z:"))
        cls.work = os.path.join(cls.prefix, "drive_c", "tolvane-test")
        os.makedirs(os.path.join(cls.work, "out"))
        shutil.copy(SETUP, os.path.join(cls.work, "setup.exe"))
        shutil.copy(PROBE, os.path.join(cls.work, "probe.exe"))
        shutil.copytree(MAILBOX, os.path.join(cls.work, "Export"))
        users = os.path.join(cls.prefix, "drive_c", "users")
        cls.user = next(u for u in sorted(os.listdir(users)) if u != "Public")
        cls.install = os.path.join(users, cls.user, "AppData", "Local", "Programs", "Tolvane")
        cls.install_windows = "C:\\users\\%s\\AppData\\Local\\Programs\\Tolvane" % cls.user
        cls.menu = os.path.join(users, cls.user, "AppData", "Roaming", "Microsoft", "Windows",
                                "Start Menu", "Programs", "Tolvane")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=cls.env, timeout=60)
        shutil.rmtree(cls.prefix, ignore_errors=True)

    @classmethod
    def wine(cls, *args):
        return subprocess.run([WINE_RUN, *args], capture_output=True, timeout=600, env=cls.env)

    def text(self, result):
        return result.stdout.decode("utf-8", "replace").replace("\r\n", "\n")

    def installed(self, program, *args):
        return self.wine(self.install_windows + "\\" + program, *args)

    def test_install_run_and_uninstall(self):
        self.assertNotEqual(self.wine("cmd", "/c", "dir", "Z:\\").returncode, 0,
                            "the Linux root is still drive Z:")
        self.assertFalse(os.path.exists(self.install), "installed before the test")

        self.assertEqual(self.wine(WORK + "\\setup.exe", "/S").returncode, 0)
        for name in PROGRAM_FILES:
            self.assertTrue(os.path.isfile(os.path.join(self.install, name)), name)
        self.assertIn("gmime.copyright", os.listdir(os.path.join(self.install, "licenses")))
        # libical's zones for the calendar import, beside the programs.
        self.assertTrue(os.path.isfile(
            os.path.join(self.install, "zoneinfo", "America", "New_York.ics")))
        self.assertEqual(sorted(os.listdir(self.menu)), sorted(SHORTCUTS))
        entry = self.text(self.wine("reg", "query", UNINSTALL_KEY))
        self.assertIn("DisplayName", entry)
        self.assertRegex(entry, r"Publisher\s+REG_SZ\s+%s\n" % PUBLISHER)
        self.assertRegex(entry, r"DisplayVersion\s+REG_SZ\s+%s\n" % VERSION)
        self.assertIn(r"AppData\Local\Programs\Tolvane", entry)

        with self.subTest("version resources and manifest"):
            self.check_program_info()
        with self.subTest("version, help and the installed manual"):
            self.check_version_help_and_manual()
        with self.subTest("a conversion"):
            self.check_conversion()

        # What the window writes (its view settings) goes with the program.
        self.assertEqual(self.wine("reg", "add", PROGRAM_KEY, "/v", "Hidden", "/t", "REG_DWORD",
                                   "/d", "2", "/f").returncode, 0)
        # _?= runs the uninstaller in place, so it has finished when it returns.
        uninstaller = self.install_windows + "\\Uninstall.exe"
        self.assertEqual(self.wine(uninstaller, "/S", "_?=" + self.install_windows).returncode, 0)
        left = [n for n in os.listdir(self.install) if n != "Uninstall.exe"] \
            if os.path.isdir(self.install) else []
        self.assertEqual(left, [])
        self.assertFalse(os.path.exists(self.menu))
        self.assertNotEqual(self.wine("reg", "query", UNINSTALL_KEY).returncode, 0)
        self.assertNotEqual(self.wine("reg", "query", PROGRAM_KEY).returncode, 0,
                            "the uninstaller left " + PROGRAM_KEY)

    def check_program_info(self):
        for program, description in (("tolvane.exe", "Tolvane"),
                                     ("tolvane-convert.exe", "Tolvane command-line converter")):
            probe = self.wine(WORK + "\\probe.exe", self.install_windows + "\\" + program)
            self.assertEqual(probe.returncode, 0, program)
            info = dict(line.split("=", 1) for line in self.text(probe).splitlines())
            self.assertEqual(info.get("FixedFileVersion"), VERSION + ".0", program)
            self.assertEqual(info.get("FileVersion"), VERSION, program)
            self.assertEqual(info.get("ProductVersion"), VERSION, program)
            self.assertEqual(info.get("ProductName"), "Tolvane", program)
            self.assertEqual(info.get("CompanyName"), PUBLISHER, program)
            self.assertEqual(info.get("FileDescription"), description, program)
            self.assertEqual(info.get("OriginalFilename"), program, program)
            manifest = info.get("manifest", "")
            for part in ('name="XPStyle Control Demo"', 'name="Microsoft.Windows.Common-Controls"',
                         ">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>",
                         ">UTF-8</activeCodePage>"):
                self.assertIn(part, manifest, program)

    def check_version_help_and_manual(self):
        version = self.installed("tolvane-convert.exe", "--version")
        self.assertEqual(version.returncode, 0)
        self.assertEqual(self.text(version), "tolvane-convert (Tolvane) %s\n" % VERSION)

        for asking in ("/?", "--help"):
            helped = self.installed("tolvane-convert.exe", asking)
            self.assertEqual(helped.returncode, 0, asking)
            usage = self.text(helped)
            self.assertIn("Ctrl+C", usage)
            self.assertNotIn("SIGINT", usage)
            links = [line.split(": ", 1)[1] for line in usage.splitlines()
                     if line.startswith("Troubleshooting: ")]
            manual = self.install_windows.replace("\\", "/") + "/help.html"
            self.assertEqual(links, ["file:///%s#troubleshooting" % manual.replace(" ", "%20")],
                             asking)

        with open(os.path.join(self.install, "help.html"), encoding="utf-8") as f:
            manual = f.read()
        self.assertIn("HKEY_CURRENT_USER\\Software\\Tolvane", manual)
        self.assertIn("C:\\Users\\me\\Export", manual)
        for foreign in ("~/.config", "/home/", "<!--"):
            self.assertNotIn(foreign, manual)

    def check_conversion(self):
        converted = self.installed("tolvane-convert.exe", "--dest", WORK + "\\out",
                                   WORK + "\\Export")
        stderr = converted.stderr.decode("utf-8", "replace")
        self.assertEqual(converted.returncode, 0, stderr)
        self.assertIn("3 of 3 message(s) converted", stderr)
        self.assertIn(ALSO_CONVERTED, stderr)
        written = self.text(converted).strip()
        self.assertTrue(written.startswith(WORK + "\\out\\ZimbraMails"), written)
        pst = os.path.join(self.work, "out", written.rsplit("\\", 1)[1])
        checked = subprocess.run([PSTCHECK, "--strict", pst], capture_output=True, text=True,
                                 timeout=600)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertEqual(subjects_by_folder(pst), EXPECTED_SUBJECTS)
        self.assertEqual(appointment_problems(pst), "")


if __name__ == "__main__":
    WINE_RUN, SETUP, VERSION, PROBE, PSTCHECK = sys.argv[1:6]
    for needed, hint in ((SETUP, "make windows builds it"),
                         (PSTCHECK, "make check-windows builds the Linux checker")):
        if not os.path.isfile(needed):
            sys.exit("no %s: %s" % (needed, hint))
    unittest.main(argv=sys.argv[:1] + sys.argv[6:], verbosity=2)
