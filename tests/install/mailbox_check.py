"""The small mailbox the installed-program tests convert (mailbox/), and what a reader must
find in the PST made from it: the subjects in each folder, by the folder's own name."""

import json
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
MAILBOX = os.path.join(HERE, "mailbox")
READERS = os.path.join(os.path.dirname(HERE), "support", "pst_readers.py")
EXPECTED_SUBJECTS = {"Inbox": ["Grüße aus Köln", "Quarterly figures"],
                     "Sent": ["Lunch on Friday"]}


def subjects_by_folder(pst):
    """The subjects readpst finds in each folder that holds messages."""
    dump = subprocess.run(["/usr/bin/python3", READERS, "dump", "--reader", "readpst", pst],
                          capture_output=True, text=True, timeout=600)
    if dump.returncode != 0:
        raise AssertionError("readpst cannot read %s: %s" % (pst, dump.stderr))
    return {f["path"][-1]: sorted(m["subject"] for m in f["messages"])
            for f in json.loads(dump.stdout)["folders"] if f["messages"]}
