"""The four readers over Outlook-made PSTs: they must agree, and the dumps must keep the data.

Reads the Outlook-made samples in tests/data/pst-samples; a missing one is a failure.
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import pst_readers  # noqa: E402

SAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "pst-samples")
UNICODE_SAMPLES = ["outlook-empty", "pstsdk-sample1", "pstsdk-submessage", "pstsdk-test_unicode",
                   "javalibpst-dist-list", "rubymsg-200-recipients", "rubymsg-attachAndInline",
                   "rubymsg-msgInMsg", "tika-testPST-2014", "tika-testPST",
                   "tika-testPST_variousBodyTypes"]
SCRIPT = os.path.join(HERE, "pst_readers.py")


def sample(name):
    return os.path.join(SAMPLES, name + ".pst")


def run(*args, path=None):
    env = dict(os.environ)
    if path:
        env["PATH"] = path + os.pathsep + env.get("PATH", "")
    return subprocess.run(["/usr/bin/python3", SCRIPT, *args], capture_output=True, text=True,
                          timeout=600, env=env)


def messages(dump):
    return [m for f in dump["folders"] for m in f["messages"]]


class ReadersAgreeOnOutlookFiles(unittest.TestCase):
    def test_every_unicode_sample(self):
        for name in UNICODE_SAMPLES:
            with self.subTest(sample=name):
                proc = run("agree", sample(name), "--timeout", "120")
                self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def test_a_changed_expectation_is_reported_per_reader(self):
        dump = pst_readers.read("pypff", sample("rubymsg-attachAndInline"), 60)
        expected = pst_readers.expected_from(dump)
        expected["folders"][0]["messages"][0]["attachments"][0]["sha256"] = "0" * 64
        with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as fh:
            json.dump(expected, fh)
        try:
            proc = run("compare", sample("rubymsg-attachAndInline"), fh.name)
        finally:
            os.unlink(fh.name)
        self.assertEqual(proc.returncode, 1)
        lines = proc.stdout.splitlines()
        for reader in pst_readers.READERS:
            self.assertTrue(any(line.startswith(reader + ":") and "sha256" in line
                                for line in lines), (reader, proc.stdout))


class DumpsKeepTheData(unittest.TestCase):
    """What agreement alone cannot show: a normalizer that drops the same thing everywhere."""

    def test_attachments_bodies_and_embedded_messages(self):
        dumps = {r: pst_readers.read(r, sample("tika-testPST"), 120) for r in pst_readers.READERS}
        for reader, dump in dumps.items():
            with self.subTest(reader=reader):
                msgs = messages(dump)
                self.assertEqual(len(msgs), 7)  # the sample's README: 7 IPM.Note in the root
                self.assertTrue(all(m["subject"] and m["body"].strip() for m in msgs))
                self.assertTrue(all(m["date"] and m["date"].startswith("20") for m in msgs))
                fw = [m for m in msgs if m["subject"] == "FW: First email"][0]
                self.assertEqual(len(fw["attachments"]), 1)
                self.assertTrue(fw["attachments"][0]["embedded"])
        for reader in ("readpst", "pffexport"):
            inner = [m for m in messages(dumps[reader]) if m["subject"] == "FW: First email"][0]
            inner = inner["attachments"][0]["message"]
            self.assertEqual(inner["subject"], "First email")
            docx = [a for a in inner["attachments"] if a["name"] == "attachment.docx"]
            self.assertEqual(len(docx), 1, reader)
            self.assertGreater(docx[0]["size"], 0)
        inline = {r: {a["name"]: a["sha256"] for a in messages(pst_readers.read(
            r, sample("rubymsg-attachAndInline"), 60))[0]["attachments"]}
            for r in pst_readers.READERS}
        self.assertEqual(sorted(inline["pypff"]), ["attach.png", "image001.png"])
        self.assertEqual(len({json.dumps(v, sort_keys=True) for v in inline.values()}), 1, inline)


class ReaderFailures(unittest.TestCase):
    def test_ansi_file_fails_in_pst_extractor(self):
        proc = run("agree", sample("pstsdk-test_ansi"))
        self.assertEqual(proc.returncode, 1)
        self.assertIn("pst-extractor failed", proc.stdout)

    def test_timeout_and_truncated_file_are_failures(self):
        with tempfile.TemporaryDirectory() as tmp:
            expected = os.path.join(tmp, "expected.json")
            with open(expected, "w") as fh:
                json.dump({"folders": []}, fh)
            # A node that never ends, so the reader times out whatever the machine's speed.
            hanging = os.path.join(tmp, "node")
            with open(hanging, "w") as fh:
                fh.write("#!/bin/sh\nexec tail -f /dev/null\n")
            os.chmod(hanging, 0o755)
            proc = run("compare", sample("outlook-empty"), expected, "--readers", "pstextractor",
                       "--timeout", "1", path=tmp)
            self.assertEqual(proc.returncode, 1)
            self.assertIn("pstextractor: reader failed: pstextractor: timed out", proc.stdout)
            cut = os.path.join(tmp, "cut.pst")
            with open(sample("outlook-empty"), "rb") as src, open(cut, "wb") as dst:
                dst.write(src.read(0x4400))
            proc = run("compare", cut, expected)
            self.assertEqual(proc.returncode, 1)
            failed = [line for line in proc.stdout.splitlines() if "reader failed" in line]
            self.assertGreaterEqual(len(failed), 2, proc.stdout)


if __name__ == "__main__":
    unittest.main()
