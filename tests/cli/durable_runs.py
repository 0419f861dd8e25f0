"""tolvane-convert when a run does not go to plan, with real processes and real file systems:
killed with SIGKILL at many moments, ended by SIGTERM / SIGHUP / SIGINT, out of disk on a
small tmpfs, past RLIMIT_FSIZE; and the queue's edge cases end to end (names with trailing
spaces, folders that cannot be read, entries that are no files, files left by killed runs).

    durable_runs.py TOLVANE_CONVERT TOLVANE_PSTCHECK [--kills N] [unittest arguments]

FirstCommit stops the run at each system call of its first commit through strace.

Every PST is checked by tolvane-pstcheck --strict and its messages counted by it; a count
the program reports must be the count the file holds. --kills sets how many SIGKILL moments
KillTest covers (make check runs a short form; scripts/kill-test.sh the full one). The
disk-full test mounts a tmpfs in a mount namespace of its own (unshare), so the mount goes
when the test's shell ends, whatever happened; it needs root, as the documented set-up runs.
"""

import hashlib
import os
import queue
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

CONVERT = None
PSTCHECK = None
KILLS = 6
TREE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "convert", "pst_tree.py")
NOBODY = 65534
WORKING = "-incomplete.pst"


def write_messages(folder, count, body_lines=1, prefix="m"):
    os.makedirs(folder, exist_ok=True)
    body = ("line of body text " * 4 + "\r\n") * body_lines
    for i in range(count):
        with open(os.path.join(folder, "%s%05d.eml" % (prefix, i)), "w") as f:
            f.write("From: Ann Example <ann@example.org>\r\nTo: Bob Example <bob@example.org>\r\n"
                    "Subject: %s %d\r\nDate: Sun, 06 Dec 2026 04:05:07 +0000\r\n"
                    "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n%s"
                    % (prefix, i, body))


def strict_check(pst):
    """(problems or None, message count) from tolvane-pstcheck --strict."""
    result = subprocess.run([PSTCHECK, "--strict", pst], capture_output=True, text=True,
                            timeout=600)
    found = re.search(r", (\d+) messages", result.stdout)
    if result.returncode != 0 or not found:
        return (result.stdout + result.stderr).strip() or "exit %d" % result.returncode, -1
    return None, int(found.group(1))


def subjects(pst):
    result = subprocess.run(["/usr/bin/python3", TREE, pst], capture_output=True, text=True,
                            timeout=600)
    if result.returncode != 0:
        raise AssertionError("libpff cannot read %s: %s" % (pst, result.stderr))
    return sorted(line.split("\t", 2)[2] for line in result.stdout.splitlines()
                  if line.startswith("M\t"))


def psts(folder):
    return sorted(n for n in os.listdir(folder) if n.endswith(".pst"))


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def end_sentence(stderr):
    """The last line: what the file holds, as the program says it."""
    lines = [line for line in stderr.splitlines() if line.startswith("tolvane-convert: ")]
    return lines[-1][len("tolvane-convert: "):] if lines else ""


class Run:
    """tolvane-convert in the background, its standard error read line by line."""

    def __init__(self, args, **popen):
        self.proc = subprocess.Popen([CONVERT, *args], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, **popen)
        self.lines = queue.Queue()
        self.seen = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.proc.stderr:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def wait_for(self, pattern, limit=600):
        """Reads lines until one matches; False when the run ended first."""
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=1)
            except queue.Empty:
                continue
            if line is None:
                return False
            self.seen.append(line)
            if re.search(pattern, line):
                return True
        raise AssertionError("no line matching %r within %ss" % (pattern, limit))

    def committed(self):
        """The count of the last commit line read so far."""
        counts = [int(m.group(1)) for m in (re.match(r"commit: (\d+) message", line)
                                            for line in self.seen) if m]
        return counts[-1] if counts else 0

    def finish(self):
        stdout = self.proc.stdout.read()
        self.proc.stdout.close()
        self.proc.wait(timeout=600)
        self.reader.join(timeout=60)
        self.proc.stderr.close()
        while True:
            line = self.lines.get()
            if line is None:
                break
            self.seen.append(line)
        return self.proc.returncode, stdout, "\n".join(self.seen)


class Base(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="tolvane-durable-")
        os.chmod(self.work, 0o755)
        self.out = os.path.join(self.work, "out")
        os.makedirs(self.out)

    def tearDown(self):
        for root, dirs, _ in os.walk(self.work):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.work)

    def next_run_into(self, dest):
        """Standard error of a run of one message into dest that ends well."""
        # A run in the same second as the one before takes a numbered name beside its file.
        small = os.path.join(self.work, "one")
        if not os.path.isdir(small):
            write_messages(small, 1, prefix="one")
        result = subprocess.run([CONVERT, "--dest", dest, small], capture_output=True,
                                text=True, timeout=600)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stderr

    def assert_holds_what_it_says(self, rc, stdout, stderr, sentence, total):
        """Exit 1, the sentence with N of total and the path, the file valid with N."""
        self.assertEqual(rc, 1, stderr)
        found = re.search(sentence + r": (\d+) of (\d+) messages are in (.+)$",
                          end_sentence(stderr))
        self.assertTrue(found, stderr)
        stored, queued, pst = int(found.group(1)), int(found.group(2)), found.group(3)
        self.assertEqual(queued, total)
        self.assertEqual(stdout.strip(), pst)
        self.assertFalse(pst.endswith(WORKING), "the file keeps its working name: " + pst)
        return stored, pst


class SmallTree(Base):
    """A few hundred messages whose PST outgrows a megabyte."""

    def setUp(self):
        super().setUp()
        self.source = os.path.join(self.work, "Export", "Inbox")
        write_messages(self.source, 300, body_lines=60)


class DiskFull(SmallTree):
    def test_a_full_disk_stops_the_run_keeping_a_valid_file_with_the_reported_count(self):
        small = os.path.join(self.work, "small")
        copy = os.path.join(self.work, "copy")
        os.makedirs(small)
        os.makedirs(copy)
        script = ('mount -t tmpfs -o size=1m tmpfs "$1" || exit 99\n'
                  '"$2" --dest "$1" "$3" > "$4/stdout" 2> "$4/stderr"; echo $? > "$4/rc"\n'
                  'cp "$1"/*.pst "$4"/ 2>/dev/null; exit 0\n')
        result = subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c",
                                 script, "sh", small, CONVERT, self.source, copy],
                                capture_output=True, text=True, timeout=900)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.ismount(small))
        read = lambda name: open(os.path.join(copy, name)).read()
        stored, pst = self.assert_holds_what_it_says(
            int(read("rc")), read("stdout"), read("stderr"), "The disk is full", 300)
        self.assertLess(stored, 300)
        self.assertEqual(psts(copy), [os.path.basename(pst)])
        kept = os.path.join(copy, os.path.basename(pst))
        problems, messages = strict_check(kept)
        self.assertIsNone(problems)
        self.assertEqual(messages, stored)
        # Space is claimed before the maps change, so a full disk never leaves them to rebuild.
        check = subprocess.run([PSTCHECK, "--strict", kept], capture_output=True, text=True,
                               timeout=600)
        self.assertNotIn("INVALID_AMAP", check.stdout)
        self.assertEqual(len(subjects(kept)), stored)


class FileSizeLimit(SmallTree):
    def test_past_the_limit_the_run_stops_keeping_a_valid_file_with_the_reported_count(self):
        limit = 1 << 20
        result = subprocess.run(
            [CONVERT, "--dest", self.out, self.source], capture_output=True, text=True,
            timeout=900,
            preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
        stored, pst = self.assert_holds_what_it_says(
            result.returncode, result.stdout, result.stderr,
            "The file has reached the size limit", 300)
        self.assertLess(stored, 300)
        self.assertLessEqual(os.path.getsize(pst), limit)
        problems, messages = strict_check(pst)
        self.assertIsNone(problems)
        self.assertEqual(messages, stored)


class LargeTree(Base):
    COUNT = 2500

    @classmethod
    def setUpClass(cls):
        cls.shared = tempfile.mkdtemp(prefix="tolvane-durable-src-")
        cls.source = os.path.join(cls.shared, "Export", "Inbox")
        write_messages(cls.source, cls.COUNT)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.shared)


class Signals(LargeTree):
    def test_hangup_interrupt_and_terminate_end_the_run_like_a_stop(self):
        for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(signal=number.name):
                dest = os.path.join(self.out, number.name)
                os.makedirs(dest)
                run = Run(["--dest", dest, self.source])
                self.assertTrue(run.wait_for(r"^1000/%d messages" % self.COUNT))
                run.proc.send_signal(number)
                rc, stdout, stderr = run.finish()
                stored, pst = self.assert_holds_what_it_says(rc, stdout, stderr, "Stopped",
                                                             self.COUNT)
                self.assertGreaterEqual(stored, 1000)
                self.assertEqual(psts(dest), [os.path.basename(pst)])
                problems, messages = strict_check(pst)
                self.assertIsNone(problems)
                self.assertEqual(messages, stored)
                self.assertIn("commit: %d message(s) in the file" % stored, stderr)


class KillTest(LargeTree):
    """SIGKILL at KILLS moments: at each of the run's progress lines, then at even shares of
    a whole run's duration. The moments only spread the coverage; what is checked holds at
    any moment: the file there is valid and holds at least the last commit reported before
    the kill, and the next run into that folder names it and leaves it as it was."""

    def moments(self):
        triggers = [r"^1000/", r"^2000/", r"^%d/" % self.COUNT, r"^commit: "]
        start = time.monotonic()
        run = Run(["--dest", self.out, self.source])
        rc, _, stderr = run.finish()
        self.assertEqual(rc, 0, stderr)
        whole = time.monotonic() - start
        shutil.rmtree(self.out)
        os.makedirs(self.out)
        timed = max(0, KILLS - len(triggers))
        return ([("line", t) for t in triggers][:KILLS] +
                [("after", whole * (k + 1) / (timed + 1)) for k in range(timed)])

    def test_a_killed_run_leaves_a_valid_file_holding_what_it_had_committed(self):
        moments = self.moments()
        self.assertGreaterEqual(len(moments), KILLS)
        leftovers = 0
        for n, (kind, at) in enumerate(moments):
            with self.subTest(moment=n, kind=kind, at=at):
                dest = os.path.join(self.out, "kill%02d" % n)
                os.makedirs(dest)
                run = Run(["--dest", dest, self.source])
                if kind == "line":
                    run.wait_for(at)
                else:
                    time.sleep(at)
                committed = run.committed()
                run.proc.kill()
                run.finish()
                files = psts(dest)
                self.assertLessEqual(len(files), 1, files)
                if not files:
                    self.assertEqual(committed, 0)
                    continue
                pst = os.path.join(dest, files[0])
                problems, messages = strict_check(pst)
                self.assertIsNone(problems, pst)
                self.assertGreaterEqual(messages, committed)
                if files[0].endswith(WORKING):
                    leftovers += 1
                    self.assert_next_run_keeps(dest, pst)
        print("%d kill moments, %d left a working file" % (len(moments), leftovers),
              file=sys.stderr)

    def assert_next_run_keeps(self, dest, leftover):
        before = sha256(leftover)
        self.assertIn("an earlier conversion did not finish; its file is kept as it is: " +
                      leftover, self.next_run_into(dest))
        self.assertEqual(sha256(leftover), before)
        self.assertEqual(len(psts(dest)), 2)


# The writer's system calls that change its file: the file's growth, its writes, its syncs,
# and the link or rename that gives it its name (then the sync of its folder).
WRITER_CALLS = ("fallocate", "pwritev", "pwrite64", "fdatasync", "linkat", "renameat2", "fsync")
NAMING_CALLS = ("linkat", "renameat2")
CREATING = re.compile(r"\.pst\.creating-[0-9A-F]{8}\.tmp$")


class FirstCommit(Base):
    """The first commit, when the new store is written and takes its name, stopped at each of
    its writes, growths and syncs and at the link that names the file: by SIGKILL, and by a
    full disk (ENOSPC), both injected by strace. Each leaves either no file at all, or the
    working file as a valid empty store that the next run names as a leftover and keeps;
    never a file no reader opens. Once more where the file system has no O_TMPFILE (the open
    refused by strace): a kill there leaves the file under its creation name, which the next
    run removes."""

    def setUp(self):
        super().setUp()
        self.source = os.path.join(self.work, "Export", "Inbox")
        write_messages(self.source, 3)

    # LeakSanitizer cannot run under ptrace: off for the traced runs of a sanitizer build.
    TRACED_ENV = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") +
                      ":detect_leaks=0")

    def strace(self, log, dest, injections=()):
        names = set(WRITER_CALLS) | {"openat"} if log != "/dev/null" else set()
        names |= {injection.split(":")[0] for injection in injections}
        command = ["strace", "-f", "-qq", "-o", log, "-e", "trace=" + ",".join(sorted(names))]
        for injection in injections:
            command += ["-e", "inject=" + injection]
        return subprocess.run(command + [CONVERT, "--dest", dest, self.source],
                              capture_output=True, text=True, timeout=600, env=self.TRACED_ENV)

    def writer_calls(self, injections=()):
        """(syscall, invocation number) of each writer call up to the file's naming and the
        first one after it, all made by one thread, as strace counts them; and the invocation
        number of the open with O_TMPFILE."""
        log = os.path.join(self.work, "trace")
        dest = os.path.join(self.work, "traced")
        shutil.rmtree(dest, ignore_errors=True)
        os.makedirs(dest)
        result = self.strace(log, dest, injections)
        self.assertEqual(result.returncode, 0, result.stderr)
        calls, counts, named, unnamed_open = [], {}, False, None
        threads = set()
        with open(log) as lines:
            for line in lines:
                found = re.match(r"(?:(\d+) +)?(\w+)\(", line)
                if not found:
                    continue
                thread, name = found.group(1), found.group(2)
                if name == "openat" and "O_TMPFILE" in line and unnamed_open is None:
                    threads.add(thread)
                    unnamed_open = sum(1 for c in calls_of(log, thread, "openat", line))
                if name not in WRITER_CALLS:
                    continue
                threads.add(thread)
                counts[name] = counts.get(name, 0) + 1
                calls.append((name, counts[name]))
                if named:
                    break
                named = name in NAMING_CALLS
        self.assertTrue(named, "the file was never given its name")
        self.assertEqual(len(threads), 1, "writer calls from several threads: %s" % threads)
        return calls, unnamed_open

    def assert_nothing_or_a_valid_store(self, dest, what, creating_may_stay):
        """True when a working file was left (checked), False when nothing was."""
        names = sorted(os.listdir(dest))
        if creating_may_stay:
            names = [n for n in names if not CREATING.search(n)]
        if not names:
            return False
        self.assertEqual(len(names), 1, "%s left %s" % (what, names))
        self.assertTrue(names[0].endswith(WORKING), "%s left %s" % (what, names))
        problems, messages = strict_check(os.path.join(dest, names[0]))
        self.assertIsNone(problems, what)
        self.assertEqual(messages, 0, what)
        return True

    def assert_next_run_sees(self, dest, leftover, what):
        stderr = self.next_run_into(dest)
        said = "an earlier conversion did not finish" in stderr
        self.assertEqual(said, leftover, "%s: %s" % (what, stderr))
        self.assertEqual([n for n in os.listdir(dest) if CREATING.search(n)], [],
                         "%s: the next run left a creation file" % what)

    def stop_at_every_writer_call(self, calls, refusals, label):
        """Each writer call stopped by a kill and by a full disk; counts of what stayed."""
        left = {"kill": 0, "full disk": 0, "creation files": 0}
        for how, effect in (("kill", "signal=KILL"), ("full disk", "error=ENOSPC")):
            for n, (name, count) in enumerate(calls):
                what = "%s: %s at %s number %d" % (label, how, name, count)
                with self.subTest(what):
                    dest = os.path.join(self.out, "%s-%s-%02d" % (label, how.replace(" ", "-"), n))
                    os.makedirs(dest)
                    result = self.strace("/dev/null", dest, refusals +
                                         ["%s:%s:when=%d" % (name, effect, count)])
                    if how == "kill":
                        self.assertEqual(result.returncode, -signal.SIGKILL, result.stderr)
                    else:
                        self.assertNotEqual(result.returncode, 0, what)
                        self.assertIn("No space left on device", result.stderr, what)
                    left["creation files"] += sum(1 for n in os.listdir(dest)
                                                  if CREATING.search(n))
                    kept = self.assert_nothing_or_a_valid_store(dest, what, how == "kill")
                    left[how] += kept
                    self.assert_next_run_sees(dest, kept, what)
        print("first commit (%s): %d writer calls, each stopped by a kill and by a full disk; "
              "%d kills and %d full disks left a file, %d a creation file, the rest nothing"
              % (label, len(calls), left["kill"], left["full disk"], left["creation files"]),
              file=sys.stderr)
        return left

    def test_a_kill_or_a_full_disk_during_the_first_commit_leaves_no_file_or_a_valid_one(self):
        calls, unnamed_open = self.writer_calls()
        self.assertIsNotNone(unnamed_open, "the file was not created with O_TMPFILE")
        for kind in ("fallocate", "pwritev", "linkat"):
            self.assertIn((kind, 1), calls)
        self.assertIn(("fdatasync", 3), calls)  # the blocks, the maps, the header
        left = self.stop_at_every_writer_call(calls, [], "O_TMPFILE")
        # Up to the link nothing is left; after it, the whole empty store.
        self.assertEqual(left, {"kill": 1, "full disk": 1, "creation files": 0})

        # Without O_TMPFILE: created under a name of its own, renamed when complete.
        refusals = ["openat:error=EOPNOTSUPP:when=%d" % unnamed_open]
        calls, _ = self.writer_calls(refusals)
        self.assertIn(("renameat2", 1), calls)
        self.assertNotIn(("linkat", 1), calls)
        left = self.stop_at_every_writer_call(calls, refusals, "no O_TMPFILE")
        # Each kill before the rename leaves a creation file, gone after the next run.
        kills_before = calls.index(("renameat2", 1)) + 1
        self.assertEqual(left, {"kill": 1, "full disk": 1, "creation files": kills_before})


def calls_of(log, thread, name, upto):
    """The calls `name` made by `thread` in the strace log, up to and with the line `upto`."""
    with open(log) as lines:
        for line in lines:
            found = re.match(r"(?:(\d+) +)?(\w+)\(", line)
            if found and found.group(1) == thread and found.group(2) == name:
                yield line
            if line == upto:
                return


class QueueEdges(Base):
    def test_a_trailing_space_names_another_file_and_both_are_stored(self):
        source = os.path.join(self.work, "In")
        write_messages(source, 1, prefix="plain")
        os.rename(os.path.join(source, "plain00000.eml"), os.path.join(source, "x.eml"))
        write_messages(source, 1, prefix="spaced")
        os.rename(os.path.join(source, "spaced00000.eml"), os.path.join(source, "x.eml  "))
        # As a folder scanned and as two file arguments.
        for args in ([source], [os.path.join(source, "x.eml"), os.path.join(source, "x.eml  ")]):
            dest = tempfile.mkdtemp(dir=self.out)
            result = subprocess.run([CONVERT, "--dest", dest, *args], capture_output=True,
                                    text=True, timeout=600)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(subjects(result.stdout.strip()), ["plain 0", "spaced 0"])

    def test_an_unreadable_folder_is_skipped_with_its_reason_and_the_rest_converted(self):
        source = os.path.join(self.work, "Export")
        write_messages(os.path.join(source, "A"), 2, prefix="a")
        write_messages(os.path.join(source, "B"), 2, prefix="b")
        write_messages(os.path.join(source, "C", "D"), 2, prefix="d")
        for root, dirs, files in os.walk(self.work):
            for name in dirs + files:
                os.lchown(os.path.join(root, name), NOBODY, NOBODY)
        os.chmod(os.path.join(source, "B"), 0)
        # Root reads every folder: the run drops to an unprivileged user first.
        result = subprocess.run([CONVERT, "--dest", self.out, source], capture_output=True,
                                text=True, timeout=600, user=NOBODY, group=NOBODY,
                                extra_groups=[])
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn('tolvane-convert: skipped: Cannot open folder "%s/B/": Permission denied'
                      % source, result.stderr)
        self.assertEqual(end_sentence(result.stderr),
                         "4 of 4 message(s) converted into " + result.stdout.strip())
        self.assertEqual(subjects(result.stdout.strip()), ["a 0", "a 1", "d 0", "d 1"])

    def test_entries_named_like_message_files_that_are_no_files_are_listed(self):
        source = os.path.join(self.work, "In")
        write_messages(source, 1)
        os.symlink(os.path.join(self.work, "nowhere.eml"), os.path.join(source, "dead.eml"))
        os.symlink("/dev/null", os.path.join(source, "null.eml"))
        os.mkfifo(os.path.join(source, "pipe.eml"))
        result = subprocess.run([CONVERT, "--dest", self.out, source], capture_output=True,
                                text=True, timeout=600)
        self.assertEqual(result.returncode, 1, result.stderr)
        for name, kind in (("dead.eml", "a link to nothing"), ("null.eml", "a device"),
                           ("pipe.eml", "a named pipe")):
            self.assertIn("tolvane-convert: not queued: %s is %s, not a message file"
                          % (os.path.join(source, name), kind), result.stderr)
        self.assertEqual(subjects(result.stdout.strip()), ["m 0"])


if __name__ == "__main__":
    CONVERT, PSTCHECK = sys.argv[1], sys.argv[2]
    rest = sys.argv[3:]
    if "--kills" in rest:
        at = rest.index("--kills")
        KILLS = int(rest[at + 1])
        del rest[at:at + 2]
    unittest.main(argv=sys.argv[:1] + ["-v"] + rest)
