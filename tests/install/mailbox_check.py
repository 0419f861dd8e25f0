"""The small mailbox the installed-program tests convert (mailbox/), and what a reader must
find in the PST made from it: the subjects in each folder, by the folder's own name, and the
appointment. The appointment's zone is named without its definition (as Zimbra exports it), so
an installed program must find the zone data it ships or relies on: without it the meeting
would land at 14:00 UTC."""

import json
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAILBOX = os.path.join(HERE, "mailbox")
READERS = os.path.join(os.path.dirname(HERE), "support", "pst_readers.py")
CALENDAR_READERS = os.path.join(os.path.dirname(HERE), "support", "calendar_readers.py")
EXPECTED_SUBJECTS = {"Inbox": ["Grüße aus Köln", "Quarterly figures"],
                     "Sent": ["Lunch on Friday"]}
# 14:00 to 15:00 in Berlin, winter time.
EXPECTED_APPOINTMENTS = [{"subject": "Board meeting", "kind": "appointment",
                          "start": "2026-03-10T13:00:00Z", "end": "2026-03-10T14:00:00Z",
                          "location": "Room 2"}]
ALSO_CONVERTED = "Also converted: 1 appointment."


def subjects_by_folder(pst):
    """The subjects readpst finds in each folder that holds messages."""
    dump = subprocess.run(["/usr/bin/python3", READERS, "dump", "--reader", "readpst", pst],
                          capture_output=True, text=True, timeout=600)
    if dump.returncode != 0:
        raise AssertionError("readpst cannot read %s: %s" % (pst, dump.stderr))
    return {f["path"][-1]: sorted(m["subject"] for m in f["messages"])
            for f in json.loads(dump.stdout)["folders"] if f["messages"]}


def appointment_problems(pst):
    """What readpst and pst-extractor show differently from EXPECTED_APPOINTMENTS; empty when
    both agree."""
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as expected:
        json.dump(EXPECTED_APPOINTMENTS, expected)
    try:
        compared = subprocess.run(["/usr/bin/python3", CALENDAR_READERS, "compare", pst,
                                   expected.name], capture_output=True, text=True, timeout=600)
    finally:
        os.remove(expected.name)
    return "" if compared.returncode == 0 else compared.stdout + compared.stderr
