"""The installer under Wine: installed silently for the current user, it puts the programs,
the Help manual and the licences in %LOCALAPPDATA%\\Programs\\Tolvane, a Start-menu folder and
an entry in the list of installed programs; its uninstaller takes all of that away again.

    windows_installer.py WINE_RUN SETUP_EXE
"""

import os
import subprocess
import sys
import unittest

WINE_RUN = SETUP = None
PROGRAM_FILES = ["tolvane.exe", "tolvane-convert.exe", "help.html", "README.txt",
                 "Uninstall.exe"]
SHORTCUTS = ["Tolvane.lnk", "Tolvane Help Manual.lnk", "Uninstall Tolvane.lnk"]
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"


def wine(*args):
    return subprocess.run([WINE_RUN, *args], capture_output=True, timeout=300)


def user_folder():
    users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
    return os.path.join(users, next(u for u in sorted(os.listdir(users)) if u != "Public"))


class InstallsForTheUserAndUninstallsCleanly(unittest.TestCase):
    def test_install_then_uninstall(self):
        install = os.path.join(user_folder(), "AppData", "Local", "Programs", "Tolvane")
        menu = os.path.join(user_folder(), "AppData", "Roaming", "Microsoft", "Windows",
                            "Start Menu", "Programs", "Tolvane")
        self.assertFalse(os.path.exists(install), "installed before the test")

        self.assertEqual(wine(SETUP, "/S").returncode, 0)
        for name in PROGRAM_FILES:
            self.assertTrue(os.path.isfile(os.path.join(install, name)), name)
        self.assertIn("gmime.copyright", os.listdir(os.path.join(install, "licenses")))
        self.assertEqual(sorted(os.listdir(menu)), sorted(SHORTCUTS))
        entry = wine("reg", "query", UNINSTALL_KEY).stdout.decode("utf-8", "replace")
        self.assertIn("DisplayName", entry)
        self.assertIn(r"AppData\Local\Programs\Tolvane", entry)
        # The installed converter runs.
        self.assertEqual(wine(os.path.join(install, "tolvane-convert.exe"), "--help").returncode, 0)

        # _?= runs the uninstaller in place, so it has finished when it returns.
        uninstaller = os.path.join(install, "Uninstall.exe")
        self.assertEqual(wine(uninstaller, "/S", "_?=" + "Z:" + install.replace("/", "\\"))
                         .returncode, 0)
        left = [n for n in os.listdir(install) if n != "Uninstall.exe"] \
            if os.path.isdir(install) else []
        self.assertEqual(left, [])
        self.assertFalse(os.path.exists(menu))
        self.assertNotEqual(wine("reg", "query", UNINSTALL_KEY).returncode, 0)


if __name__ == "__main__":
    WINE_RUN, SETUP = sys.argv[1:3]
    if not os.path.isfile(SETUP):
        sys.exit("no installer at %s: make windows builds it" % SETUP)
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
