"""The Debian package as a user gets it: unpacked into a scratch root (dpkg-deb -x, nothing
installed on the machine), its programs run with the source and build trees hidden behind an
empty folder (a private mount namespace), so nothing they do can lean on the checkout. They
answer --version, convert a small mailbox into a PST the readers accept, and point their
troubleshooting link into the installed manual. The package itself passes lintian without
errors, its desktop entry and AppStream metadata validate, and its dependencies come from
the libraries the programs link.

    installed_package.py PACKAGE.deb VERSION SOURCE_TREE PSTCHECK
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from mailbox_check import (ALSO_CONVERTED, EXPECTED_SUBJECTS, MAILBOX, appointment_problems,
                           subjects_by_folder)

PACKAGE = VERSION = SOURCE_TREE = PSTCHECK = None
APP_ID = "org.tolvane.Tolvane"

INSTALLED_FILES = [
    "usr/bin/tolvane",
    "usr/bin/tolvane-convert",
    "usr/share/doc/tolvane/help.html",
    "usr/share/doc/tolvane/copyright",
    "usr/share/doc/tolvane/changelog.gz",
    "usr/share/man/man1/tolvane.1.gz",
    "usr/share/man/man1/tolvane-convert.1.gz",
    "usr/share/applications/%s.desktop" % APP_ID,
    "usr/share/metainfo/%s.metainfo.xml" % APP_ID,
    "usr/share/icons/hicolor/16x16/apps/tolvane.png",
    "usr/share/icons/hicolor/48x48/apps/tolvane.png",
    "usr/share/icons/hicolor/scalable/apps/tolvane.svg",
]


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=600, **kwargs)


def run_without_checkout(args):
    """Runs an installed program with the source tree (and the build trees inside it)
    replaced by an empty folder, in a mount namespace of its own: the machine's mounts stay
    as they are."""
    hide = 'mount -t tmpfs -o size=64k,mode=0555 tolvane-hidden "$0" && exec "$@"'
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY",
                                                            "QT_QPA_PLATFORM")}
    return run(["unshare", "--mount", "--propagation", "private", "sh", "-c", hide,
                SOURCE_TREE, *args], env=env)


class InstalledPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="tolvane-installed-")
        cls.root = os.path.join(cls.work.name, "root")
        unpacked = run(["dpkg-deb", "-x", PACKAGE, cls.root])
        if unpacked.returncode != 0:
            raise AssertionError("dpkg-deb -x %s: %s" % (PACKAGE, unpacked.stderr))
        cls.bin = os.path.join(cls.root, "usr", "bin")
        cls.manual = os.path.join(cls.root, "usr", "share", "doc", "tolvane", "help.html")
        probe = run_without_checkout(["test", "!", "-e", os.path.join(SOURCE_TREE, "docs")])
        if probe.returncode != 0:
            raise AssertionError("cannot hide the source tree (unshare and mount need root): "
                                 + probe.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_the_package_holds_the_programs_and_their_desktop_files(self):
        for name in INSTALLED_FILES:
            self.assertTrue(os.path.isfile(os.path.join(self.root, name)), name)
        depends = run(["dpkg-deb", "-f", PACKAGE, "Depends"]).stdout
        for library in ("libgmime-3.0", "libqt6widgets6", "libc6"):
            self.assertIn(library, depends)

    def test_both_programs_tell_their_version(self):
        for program in ("tolvane", "tolvane-convert"):
            answer = run_without_checkout([os.path.join(self.bin, program), "--version"])
            self.assertEqual(answer.returncode, 0, answer.stderr)
            self.assertEqual(answer.stdout, "%s (Tolvane) %s\n" % (program, VERSION))
        control = run(["dpkg-deb", "-f", PACKAGE, "Version"]).stdout.strip()
        self.assertEqual(control, VERSION)

    def test_a_mailbox_converts_with_the_installed_converter(self):
        mailbox = os.path.join(self.work.name, "Export")
        shutil.copytree(MAILBOX, mailbox)
        dest = os.path.join(self.work.name, "out")
        os.makedirs(dest)
        converted = run_without_checkout([os.path.join(self.bin, "tolvane-convert"),
                                          "--dest", dest, mailbox])
        self.assertEqual(converted.returncode, 0, converted.stderr)
        self.assertIn("3 of 3 message(s) converted", converted.stderr)
        self.assertIn(ALSO_CONVERTED, converted.stderr)
        pst = converted.stdout.strip()
        self.assertEqual(os.path.dirname(pst), dest)
        checked = run([PSTCHECK, "--strict", pst])
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertEqual(subjects_by_folder(pst), EXPECTED_SUBJECTS)
        self.assertEqual(appointment_problems(pst), "")

    def test_the_troubleshooting_link_points_into_the_installed_manual(self):
        answer = run_without_checkout([os.path.join(self.bin, "tolvane-convert"), "--help"])
        self.assertEqual(answer.returncode, 0, answer.stderr)
        links = [line.split(": ", 1)[1] for line in answer.stdout.splitlines()
                 if line.startswith("Troubleshooting: ")]
        self.assertEqual(links, ["file://%s#troubleshooting" % self.manual])
        with open(self.manual, encoding="utf-8") as f:
            manual = f.read()
        # The Linux manual: the Linux paths, none of Windows' and no marker left.
        self.assertIn('id="troubleshooting"', manual)
        self.assertIn("~/.config/tolvane/explorer-view-settings", manual)
        # Archives as input: where Zimbra's folders land and what a .meta beside a file does.
        self.assertIn('id="archives"', manual)
        for words in ("Junk E-mail", "Deleted Items", "<code>.meta</code>"):
            self.assertIn(words, manual)
        for foreign in ("HKEY_CURRENT_USER", "C:\\Users", "<!--"):
            self.assertNotIn(foreign, manual)

    def test_the_manual_page_lists_every_option_the_help_names(self):
        helped = run([os.path.join(self.bin, "tolvane-convert"), "--help"]).stdout
        options = sorted({word.rstrip(",") for line in helped.splitlines()
                          if line.startswith("  -") for word in line.split()
                          if word.startswith("-")})
        self.assertIn("--dest", options)
        page = run(["man", "-l", "-Tutf8", os.path.join(
            self.root, "usr/share/man/man1/tolvane-convert.1.gz")],
            env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        self.assertEqual(page.returncode, 0, page.stderr)
        # Overstrike bold and underline (c BACKSPACE c, _ BACKSPACE c) are kept when man writes
        # to a pipe with -T; the text is what follows each backspace.
        rendered = re.sub(".\b", "", page.stdout).replace("\u2010", "-").replace("\u2212", "-")
        for option in options:
            self.assertIn(option, rendered)
        self.assertIn("Export archives", rendered)
        self.assertIn("Tolvane %s" % VERSION, rendered)

    def test_lintian_finds_no_errors(self):
        lint = run(["lintian", "--fail-on", "error", "--no-tag-display-limit", PACKAGE])
        self.assertEqual(lint.returncode, 0, lint.stdout + lint.stderr)

    def test_the_desktop_entry_and_the_appstream_metadata_validate(self):
        share = os.path.join(self.root, "usr", "share")
        entry = run(["desktop-file-validate",
                     os.path.join(share, "applications", APP_ID + ".desktop")])
        self.assertEqual(entry.returncode, 0, entry.stdout + entry.stderr)
        self.assertEqual(entry.stdout, "")
        metainfo = run(["appstreamcli", "validate", "--no-net",
                        os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")])
        self.assertEqual(metainfo.returncode, 0, metainfo.stdout + metainfo.stderr)


if __name__ == "__main__":
    PACKAGE, VERSION, SOURCE_TREE, PSTCHECK = sys.argv[1:5]
    if not os.path.isfile(PACKAGE):
        sys.exit("no package at %s: make package builds it" % PACKAGE)
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
