"""tolvane-convert end to end: a tree of real message files in, one PST out, read back by
four independent readers and checked by tolvane-pstcheck.

    cli_end_to_end.py TOLVANE_CONVERT TOLVANE_PSTCHECK
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from make_tree import make_tree  # noqa: E402
from sample_state import sample_state_problems  # noqa: E402

READERS = os.path.join(HERE, "..", "support", "pst_readers.py")
CONVERT = None
PSTCHECK = None


def convert(*args, cwd=None):
    return subprocess.run([CONVERT, *args], capture_output=True, text=True, cwd=cwd, timeout=600)


class TreeConverts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="tolvane-e2e-")
        base = cls.work.name
        cls.source = os.path.join(base, "Zimbra Export")
        cls.out = os.path.join(base, "out")
        os.makedirs(cls.out)
        cls.expected, cls.unconvertible = make_tree(cls.source)
        cls.broken = os.path.join(base, "broken.eml")  # a link to nothing: cannot be read
        os.symlink(os.path.join(base, "nowhere.eml"), cls.broken)
        cls.unconvertible.append(cls.broken)
        cls.run_result = convert("--dest", cls.out, cls.source, cls.broken)
        cls.pst = cls.run_result.stdout.strip()

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_some_not_converted_exits_1_listing_each_with_its_reason(self):
        result = self.run_result
        self.assertEqual(result.returncode, 1, result.stderr)
        listed = [line for line in result.stderr.splitlines() if "not converted: " in line]
        self.assertEqual(len(listed), 2, result.stderr)
        self.assertIn(self.unconvertible[0] + ": ", listed[0])
        self.assertIn("empty", listed[0])
        self.assertIn(self.broken + ": ", listed[1])
        self.assertIn("10 of 12 message(s) converted", result.stderr)

    def test_pst_named_by_time_stamp_in_destination(self):
        self.assertEqual(os.path.dirname(self.pst), self.out)
        name = os.path.basename(self.pst)
        self.assertRegex(name, r"^ZimbraMails\d{1,2}\.\d{1,2}\.\d\d \d{1,2}\.\d{1,2}\.\d\d\.pst$")
        self.assertTrue(os.path.isfile(self.pst))

    def compare(self, readers, adapt):
        top = ["Top of Personal Folders"] + [p for p in self.source.split("/") if p]
        expected = {"folders": [{"path": top + list(rel),
                                 "messages": [adapt(json.loads(json.dumps(m))) for m in messages]}
                                for rel, messages in sorted(self.expected.items())]}
        with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
            json.dump(expected, f, ensure_ascii=False)
        try:
            result = subprocess.run(["/usr/bin/python3", READERS, "compare", self.pst, f.name,
                                     "--readers", readers],
                                    capture_output=True, text=True, timeout=900)
        finally:
            os.unlink(f.name)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_table_and_property_readers_see_every_message_in_its_folder(self):
        self.compare("pypff,pstextractor", lambda message: message)

    def test_parent_link_readers_see_every_message_in_its_folder(self):
        # readpst rebuilds To from the transport headers as one name, shows a message whose
        # headers are malformed as unread, and neither names an opened embedded message.
        def adapt(message):
            message.pop("to", None)
            if message["subject"] == "Malformed but kept":
                message.pop("read")
            for attachment in message.get("attachments", []):
                if attachment.get("embedded"):
                    attachment.pop("name")
            return message
        self.compare("readpst,pffexport", adapt)

    def test_pstcheck_finds_the_file_sound(self):
        result = subprocess.run([PSTCHECK, self.pst], capture_output=True, text=True, timeout=600)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


class Arguments(unittest.TestCase):
    def test_help_says_how_and_exits_0(self):
        result = convert("--help")
        self.assertEqual(result.returncode, 0)
        for text in ("tolvane-convert [--dest DIR] [--charset NAME] PATH...", ".eml",
                     "Exit status", "  2  "):
            self.assertIn(text, result.stdout)

    def test_nothing_to_start_exits_2_and_writes_nothing(self):
        with tempfile.TemporaryDirectory() as base:
            empty_folder = os.path.join(base, "empty")
            os.makedirs(empty_folder)
            with open(os.path.join(base, "a.eml"), "w") as f:
                f.write("Subject: x\r\n\r\nx\r\n")
            for args in ([], ["--bogus", base], ["--dest"],
                         ["--dest", os.path.join(base, "missing"), base],
                         ["--dest", os.path.join(base, "a.eml"), base],
                         [empty_folder], [os.path.join(base, "missing.eml")],
                         ["--charset", "x-no-such-charset", base]):
                result = convert(*args, cwd=base)
                self.assertEqual(result.returncode, 2, (args, result.stderr))
                self.assertTrue(result.stderr.startswith("tolvane-convert: "), result.stderr)
                self.assertEqual(result.stdout, "")
            self.assertFalse([n for n in os.listdir(base) if n.endswith(".pst")])

    def test_everything_converted_exits_0_with_pst_in_the_current_folder(self):
        with tempfile.TemporaryDirectory() as base:
            os.makedirs(os.path.join(base, "In"))
            with open(os.path.join(base, "In", "a.EML"), "w") as f:
                f.write("Subject: only\r\n\r\nbody\r\n")
            result = convert("In", cwd=base)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(os.path.dirname(result.stdout.strip()), os.path.realpath(base))
            self.assertIn("1/1 messages", result.stderr)  # not a terminal: plain log lines

    # The message's subject and the name of its folder, both in KOI8-R bytes that declare no
    # charset, read alike: in the charset named, else (a locale naming none) windows-1252.
    def test_charset_names_what_undeclared_8bit_text_and_folder_names_are(self):
        with tempfile.TemporaryDirectory() as base:
            folder = os.path.join(base.encode(), b"In", "Привет".encode("koi8-r"))
            os.makedirs(folder)
            with open(os.path.join(folder, b"a.eml"), "wb") as f:
                f.write("Subject: Привет\r\n\r\nbody\r\n".encode("koi8-r"))
            seen = []
            for args in (["--charset", "koi8-r"], []):
                out = tempfile.mkdtemp(dir=base)
                result = subprocess.run([CONVERT, "--dest", out, *args, "In"], cwd=base,
                                        capture_output=True, text=True, timeout=600,
                                        env=dict(os.environ, LC_ALL="C"))
                self.assertEqual(result.returncode, 0, result.stderr)
                dump = subprocess.run([sys.executable, READERS, "dump", "--reader", "pypff",
                                       result.stdout.strip()], capture_output=True, text=True,
                                      timeout=600)
                self.assertEqual(dump.returncode, 0, dump.stderr)
                seen += [(f["path"][-1], m["subject"]) for f in json.loads(dump.stdout)["folders"]
                         for m in f["messages"]]
            self.assertEqual(seen, [("Привет", "Привет"), ("ðÒÉ×ÅÔ", "ðÒÉ×ÅÔ")])


class NoMessageFiles(unittest.TestCase):
    """Random bytes and a diary queued beside a letter (the repository's own inputs): all three
    stored, the two named as no message, and the run still a success."""

    DAMAGED = os.path.join(HERE, "..", "mime", "damaged")

    def test_each_is_stored_whole_named_counted_and_the_run_exits_0(self):
        with tempfile.TemporaryDirectory() as base:
            source = os.path.join(base, "In")
            os.makedirs(source)
            for name in ("junk.eml", "diary.eml"):
                shutil.copyfile(os.path.join(self.DAMAGED, name), os.path.join(source, name))
            with open(os.path.join(source, "letter.eml"), "w") as f:
                f.write("From: ann@example.org\r\nSubject: A letter\r\n\r\nbody\r\n")
            result = convert("--dest", base, source)
            self.assertEqual(result.returncode, 0, result.stderr)
            warned = sorted(line for line in result.stderr.splitlines() if "warning: " in line)
            self.assertEqual(warned, [
                "tolvane-convert: warning: %s: it is no message: stored whole as its body"
                % os.path.join(source, name) for name in ("diary.eml", "junk.eml")])
            self.assertIn("3 of 3 message(s) converted", result.stderr)
            self.assertIn("tolvane-convert: Of the 3 stored, 2 were no message: each is stored "
                          "whole as its body.\n", result.stderr)
            pst = result.stdout.strip()
            check = subprocess.run([PSTCHECK, "--strict", pst], capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
            dump = subprocess.run([sys.executable, READERS, "dump", "--reader", "pypff", pst],
                                  capture_output=True, text=True, timeout=600)
            self.assertEqual(dump.returncode, 0, dump.stderr)
            bodies = [m["body"] or "" for f in json.loads(dump.stdout)["folders"]
                      for m in f["messages"]]
            self.assertEqual(len(bodies), 3)
            self.assertTrue(any(body.startswith("Dear diary,") for body in bodies), bodies)


class RunsIntoOneFolder(unittest.TestCase):
    # A script converting Inbox, Sent and Drafts one after the other into one folder: every
    # run succeeds with a file of its own, and a file that was there is never touched. The
    # names the next ten minutes would give are taken first, so each run meets a taken name,
    # however slowly a loaded machine runs it.
    def test_each_run_gets_its_own_file_when_its_name_is_taken(self):
        with tempfile.TemporaryDirectory() as base:
            out = os.path.join(base, "out")
            os.makedirs(out)
            now = time.time()
            taken = set()
            for second in range(600):
                t = time.localtime(now + second)
                taken.add("ZimbraMails%d.%d.%02d %d.%d.%02d.pst" % (
                    t.tm_mday, t.tm_mon, t.tm_year % 100, t.tm_hour, t.tm_min, t.tm_sec))
            for name in taken:
                with open(os.path.join(out, name), "w") as f:
                    f.write("an earlier run's")
            made = []
            for name in ("Inbox", "Sent", "Drafts"):
                source = os.path.join(base, name)
                os.makedirs(source)
                with open(os.path.join(source, "a.eml"), "w") as f:
                    f.write("Subject: %s\r\n\r\nbody\r\n" % name)
                result = convert("--dest", out, source)
                self.assertEqual(result.returncode, 0, result.stderr)
                made.append(os.path.basename(result.stdout.strip()))
            for name in made:
                self.assertRegex(name, r"^ZimbraMails[\d. ]+ \(\d+\)\.pst$")
            self.assertEqual(len(set(made)), 3)
            self.assertEqual(sorted(os.listdir(out)), sorted(taken | set(made)))
            for name in taken:
                with open(os.path.join(out, name)) as f:
                    self.assertEqual(f.read(), "an earlier run's")


class ContactsAndCalendarsConvert(unittest.TestCase):
    """An export with contacts, a group, appointments and tasks, a vCard file and an iCalendar
    file, queued together: the messages are counted as messages, the rest said beside them."""

    def test_the_rest_is_said_beside_the_messages_and_the_file_is_valid(self):
        archives = os.environ.get("TOLVANE_SOURCE_ARCHIVES", "")
        inputs = [os.path.join(archives, "rest.tgz"),
                  os.path.join(HERE, "..", "contact", "data", "text-vcard", "complete.vcf"),
                  os.path.join(HERE, "..", "convert", "data", "damaged-cards.vcf"),
                  os.path.join(HERE, "..", "calendar", "data", "libical", "recur-errors.ics")]
        # As the queue names them in its reports.
        inputs = [os.path.normpath(os.path.abspath(path)) for path in inputs]
        for path in inputs:
            if not os.path.isfile(path):
                raise AssertionError("missing test input " + path)
        with tempfile.TemporaryDirectory(prefix="tolvane-e2e-") as out:
            result = convert("--dest", out, *inputs)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("1 of 1 message(s) converted", result.stderr)
            self.assertIn("Also converted: 8 contacts, 7 appointments, 2 tasks.", result.stderr)
            self.assertIn("Not converted: 1 document.", result.stderr)
            notes = [l for l in result.stderr.splitlines() if "read with a problem: " in l]
            self.assertTrue(any(inputs[2] + ": line 14: " in l for l in notes), result.stderr)
            self.assertTrue(any(inputs[3] + ": VEVENT" in l and "US-Eastern" in l for l in notes),
                            result.stderr)
            pst = result.stdout.strip()
            check = subprocess.run([PSTCHECK, "--strict", pst], capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)


class ArchivesConvert(unittest.TestCase):
    """Zimbra's exports, as tests/source's generator writes them, queued as they are: a whole
    one and one cut short, converted in one run."""

    @classmethod
    def setUpClass(cls):
        archives = os.environ.get("TOLVANE_SOURCE_ARCHIVES", "")
        cls.sample = os.path.join(archives, "sample.tgz")
        cls.truncated = os.path.join(archives, "truncated.tgz")
        for path in (cls.sample, cls.truncated):
            if not os.path.isfile(path):
                raise AssertionError("missing test input " + path)
        cls.work = tempfile.TemporaryDirectory(prefix="tolvane-e2e-")
        cls.temp = os.path.join(cls.work.name, "temp")
        os.makedirs(cls.temp)
        env = dict(os.environ, TMPDIR=cls.temp)
        cls.run_result = subprocess.run(
            [CONVERT, "--dest", cls.work.name, cls.sample, cls.truncated],
            capture_output=True, text=True, timeout=600, env=env)
        cls.pst = cls.run_result.stdout.strip()

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_the_cut_is_reported_and_what_came_before_is_kept(self):
        result = self.run_result
        self.assertEqual(result.returncode, 1, result.stderr)
        cut = [line for line in result.stderr.splitlines()
               if line.startswith("tolvane-convert: not converted: ")]
        self.assertEqual(len(cut), 1, result.stderr)
        self.assertIn(self.truncated + ": Inbox/", cut[0])
        self.assertRegex(result.stderr, r"\d+ of \d+ message\(s\) converted")
        # The sample's contacts, appointment and task, and those read before the cut, apart
        # from the message counts; its document is the only thing not converted.
        self.assertRegex(result.stderr, r"Also converted: \d+ contacts, \d+ appointments?, "
                                        r"\d+ tasks?\.")
        self.assertRegex(result.stderr, r"Not converted: [12] documents?\.")
        check = subprocess.run([PSTCHECK, "--strict", self.pst], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_readers_see_each_message_read_or_unread_in_outlooks_folders(self):
        dump = subprocess.run([sys.executable, READERS, "dump", "--reader", "pypff", self.pst],
                              capture_output=True, text=True, timeout=600)
        self.assertEqual(dump.returncode, 0, dump.stderr)
        self.assertEqual(sample_state_problems(json.loads(dump.stdout)), [])

    def test_each_archive_says_what_it_holds_and_progress_counts_its_messages(self):
        err = self.run_result.stderr
        queued = [line for line in err.splitlines() if "archive queued: " in line]
        self.assertEqual(len(queued), 2, err)
        self.assertIn(self.sample + ": 20 messages, 3 contacts, 1 appointment, 1 task", queued[0])
        truncated = int(re.search(re.escape(self.truncated) + r": (\d+) message", queued[1])[1])
        # Not a terminal: the last progress line counts every queued message, not two rows.
        progress = [line for line in err.splitlines() if re.match(r"^\d+/\d+ messages, ", line)]
        self.assertTrue(progress, err)
        total = 20 + truncated
        self.assertEqual(progress[-1].split(" ")[0], "%d/%d" % (total, total))
        self.assertGreater(total, 2)

    def test_the_private_temporary_folder_is_gone(self):
        self.assertEqual(os.listdir(self.temp), [])


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    CONVERT, PSTCHECK = sys.argv[1:]
    unittest.main(argv=sys.argv[:1] + ["-v"])
