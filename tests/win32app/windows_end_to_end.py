"""tolvane-convert.exe under Wine against the Linux build: the same tree of message files
(nested folders, non-ASCII names, attachments, an embedded message) converted by both; the
PST written on Windows passes tolvane-pstcheck --strict, reads back right in four independent
readers, and holds the same messages as the Linux one, message for message. Then a Zimbra
export archive (tests/source's generator, written at test time) converted by both the same
way: each message in Outlook's folder for its Zimbra folder, with its state.

    windows_end_to_end.py WINE_RUN TOLVANE_CONVERT_EXE LINUX_TOLVANE_CONVERT LINUX_PSTCHECK
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TESTS, "cli"))
sys.path.insert(0, os.path.join(TESTS, "support"))
from make_tree import make_tree  # noqa: E402
from sample_state import sample_state_problems  # noqa: E402

READERS = os.path.join(TESTS, "support", "pst_readers.py")
EXPORT_GENERATOR = os.path.join(TESTS, "source", "make_zimbra_export.py")
WINE_RUN = WINDOWS_CONVERT = LINUX_CONVERT = PSTCHECK = None


def windows_path(path):
    """The Linux path as a Windows program under Wine sees it: drive Z: is the root."""
    return "Z:" + path.replace("/", "\\")


def linux_path(path):
    assert path[:2].upper() == "Z:", path
    return path[2:].replace("\\", "/")


def dump(reader, pst):
    result = subprocess.run(["/usr/bin/python3", READERS, "dump", "--reader", reader, pst],
                            capture_output=True, text=True, timeout=900)
    if result.returncode != 0:
        raise AssertionError("%s cannot read %s: %s" % (reader, pst, result.stderr))
    return json.loads(result.stdout)


def messages_by_folder(tree):
    """Folder path to its messages, each message as sorted JSON text, for a comparison that
    does not hang on the order a reader lists them in."""
    return {tuple(f["path"]): sorted(json.dumps(m, sort_keys=True) for m in f["messages"])
            for f in tree["folders"]}


def convert_on_both(cls, base, source):
    """Converts `source` with both builds into base/linux and base/windows; keeps each run and
    the path of each PST on `cls`."""
    for side in ("linux", "windows"):
        os.makedirs(os.path.join(base, side))
    cls.linux = subprocess.run(
        [LINUX_CONVERT, "--dest", os.path.join(base, "linux"), source],
        capture_output=True, text=True, timeout=600)
    cls.windows = subprocess.run(
        [WINE_RUN, WINDOWS_CONVERT, "--dest", windows_path(os.path.join(base, "windows")),
         windows_path(source)],
        capture_output=True, timeout=600)
    cls.windows_stdout = cls.windows.stdout.decode("utf-8")
    cls.windows_stderr = cls.windows.stderr.decode("utf-8", "replace")
    cls.linux_pst = cls.linux.stdout.strip()
    cls.windows_pst = linux_path(cls.windows_stdout.strip()) if cls.windows_stdout.strip() else ""


class WindowsConversionMatchesLinux(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="tolvane-windows-e2e-")
        base = cls.work.name
        cls.source = os.path.join(base, "Zimbra Export")
        cls.expected, cls.unconvertible = make_tree(cls.source)
        convert_on_both(cls, base, cls.source)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_both_convert_the_same_files_and_refuse_the_same_one(self):
        self.assertEqual(self.linux.returncode, 1, self.linux.stderr)
        self.assertEqual(self.windows.returncode, 1, self.windows_stderr)
        self.assertIn("10 of 11 message(s) converted", self.linux.stderr)
        self.assertIn("10 of 11 message(s) converted", self.windows_stderr)
        refused = [line for line in self.windows_stderr.splitlines() if "not converted: " in line]
        self.assertEqual(len(refused), 1, self.windows_stderr)
        self.assertIn(windows_path(self.unconvertible[0]), refused[0])

    def test_the_windows_pst_is_named_by_time_stamp_in_the_destination(self):
        self.assertTrue(os.path.isfile(self.windows_pst), self.windows_stdout + self.windows_stderr)
        self.assertEqual(os.path.dirname(self.windows_pst), os.path.join(self.work.name, "windows"))
        self.assertRegex(os.path.basename(self.windows_pst),
                         r"^ZimbraMails\d{1,2}\.\d{1,2}\.\d\d \d{1,2}\.\d{1,2}\.\d\d\.pst$")

    def test_the_windows_pst_passes_the_strict_checker(self):
        result = subprocess.run([PSTCHECK, "--strict", self.windows_pst], capture_output=True,
                                text=True, timeout=600)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_four_readers_see_every_message_in_its_folder(self):
        # Below drive Z: the folders are those of the Linux path, from its root down.
        top = ["Top of Personal Folders"] + [p for p in self.source.split("/") if p]

        # readpst rebuilds To from the transport headers as one name, shows a message whose
        # headers are malformed as unread, and neither names an opened embedded message.
        def parent_link_view(message):
            message.pop("to", None)
            if message["subject"] == "Malformed but kept":
                message.pop("read")
            for attachment in message.get("attachments", []):
                if attachment.get("embedded"):
                    attachment.pop("name")
            return message

        for readers, adapt in (("pypff,pstextractor", lambda message: message),
                               ("readpst,pffexport", parent_link_view)):
            expected = {"folders": [{"path": top + list(rel),
                                     "messages": [adapt(json.loads(json.dumps(m)))
                                                  for m in messages]}
                                    for rel, messages in sorted(self.expected.items())]}
            with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
                json.dump(expected, f, ensure_ascii=False)
            try:
                result = subprocess.run(["/usr/bin/python3", READERS, "compare", self.windows_pst,
                                         f.name, "--readers", readers],
                                        capture_output=True, text=True, timeout=900)
            finally:
                os.unlink(f.name)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_windows_and_linux_psts_hold_the_same_messages(self):
        for reader in ("pstextractor", "pypff"):
            linux = messages_by_folder(dump(reader, self.linux_pst))
            windows = messages_by_folder(dump(reader, self.windows_pst))
            self.assertTrue(any(linux.values()), "the Linux PST shows no messages")
            self.assertEqual(sorted(windows), sorted(linux), reader)
            for folder, messages in linux.items():
                self.assertEqual(windows[folder], messages, "%s: %s" % (reader, "/".join(folder)))


class WindowsArchiveMatchesLinux(unittest.TestCase):
    """One Zimbra export archive, read by libarchive as each build links it."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="tolvane-windows-archive-")
        base = cls.work.name
        cls.archive = os.path.join(base, "Zimbra export.tgz")
        subprocess.run(["/usr/bin/python3", EXPORT_GENERATOR, cls.archive], check=True,
                       timeout=300)
        convert_on_both(cls, base, cls.archive)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_both_convert_every_message_contact_appointment_and_task(self):
        for stderr, code in ((self.linux.stderr, self.linux.returncode),
                             (self.windows_stderr, self.windows.returncode)):
            self.assertEqual(code, 0, stderr)
            self.assertIn("20 of 20 message(s) converted", stderr)
            self.assertIn("Also converted: 3 contacts, 1 appointment, 1 task.", stderr)
            self.assertIn(": 20 messages, 3 contacts, 1 appointment, 1 task", stderr)
            # Not a console: the last progress line counts the archive's messages.
            self.assertIn("\n20/20 messages, ", stderr)

    def test_the_windows_pst_passes_the_strict_checker(self):
        result = subprocess.run([PSTCHECK, "--strict", self.windows_pst], capture_output=True,
                                text=True, timeout=600)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_zimbras_folders_are_outlooks_and_each_message_keeps_its_state(self):
        self.assertEqual(sample_state_problems(dump("pypff", self.windows_pst)), [])

    def test_windows_and_linux_psts_hold_the_same_messages(self):
        for reader in ("pstextractor", "pypff"):
            linux = messages_by_folder(dump(reader, self.linux_pst))
            windows = messages_by_folder(dump(reader, self.windows_pst))
            # The 20 messages, and the 3 contacts, 1 appointment and 1 task in their folders.
            self.assertEqual(sum(len(m) for m in linux.values()), 25, reader)
            self.assertEqual(windows, linux, reader)


if __name__ == "__main__":
    WINE_RUN, WINDOWS_CONVERT, LINUX_CONVERT, PSTCHECK = sys.argv[1:5]
    for program in (WINDOWS_CONVERT, LINUX_CONVERT, PSTCHECK):
        if not os.path.isfile(program):
            sys.exit("no program at " + program)
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
