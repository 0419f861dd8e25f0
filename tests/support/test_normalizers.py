"""Reader output -> normalized JSON, on hand-made reader output: nothing the readers show is lost."""

import email
import email.policy
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pstreaders import pffexport_reader, readpst_reader  # noqa: E402

BUILT = b"""Status: RO
From: "Ann Lee" <MAILER-DAEMON>
Subject: =?utf-8?q?Gr=C3=BC=C3=9Fe?=
To: Bob Roe; Carol Poe
Date: Tue, 02 Jan 2024 04:04:05 +0100
MIME-Version: 1.0
Content-Type: multipart/mixed; boundary="b1"

--b1
Content-Type: multipart/alternative; boundary="b2"

--b2
Content-Type: text/plain; charset="utf-8"

Hello
--b2
Content-Type: text/html; charset="utf-8"

<p>Hello</p>
--b2--
--b1
Content-Type: application/octet-stream
Content-Transfer-Encoding: base64
Content-Disposition: attachment; filename="a.bin"

AAEC
--b1
Content-Type: message/rfc822

>From "MAILER-DAEMON" Tue Jan  2 03:00:00 2024
From: Inner <inner@example.com>
Subject: Inside
Date: Tue, 02 Jan 2024 03:00:00 +0000
Content-Type: multipart/mixed; boundary="b3"

--b3
Content-Type: text/plain

inner body
--b3
Content-Type: text/plain
Content-Disposition: attachment; filename="deep.txt"

deep
--b3--
--b1--
"""

TRANSPORT = b"""Received: from mx.example.com by mail.example.com; Tue, 2 Jan 2024 03:04:06 +0000
From: Ann Lee <ann@example.com>
To: Bob Roe <bob@example.com>, carol@example.com
Cc: Dan <dan@example.com>
Subject: Plain
Date: Tue, 02 Jan 2024 03:04:05 +0000
Content-Type: text/plain

Body
"""


def parse(raw):
    return readpst_reader._message(email.message_from_bytes(raw, policy=email.policy.default))


class ReadpstMessages(unittest.TestCase):
    def test_headers_built_from_properties(self):
        m = parse(BUILT)
        self.assertFalse(m["transport_headers"])
        self.assertEqual(m["subject"], "Grüße")
        self.assertEqual((m["sender_name"], m["sender_email"]), ("Ann Lee", None))
        self.assertEqual(m["to"], [{"name": "Bob Roe"}, {"name": "Carol Poe"}])
        self.assertIsNone(m["bcc"])
        self.assertEqual(m["date"], "2024-01-02T03:04:05Z")
        self.assertTrue(m["read"])
        self.assertEqual((m["body"].strip(), m["html"].strip()), ("Hello", "<p>Hello</p>"))
        self.assertEqual([(a["name"], a["size"], a["embedded"]) for a in m["attachments"]],
                         [("a.bin", 3, False), (None, None, True)])
        inner = m["attachments"][1]["message"]
        self.assertEqual((inner["subject"], inner["sender_email"]), ("Inside", "inner@example.com"))
        self.assertEqual(inner["body"].strip(), "inner body")
        self.assertEqual([a["name"] for a in inner["attachments"]], ["deep.txt"])

    def test_transport_headers_keep_addresses_and_unread(self):
        m = parse(TRANSPORT)
        self.assertTrue(m["transport_headers"])
        self.assertEqual(m["to"], [{"name": "Bob Roe", "email": "bob@example.com"},
                                   {"name": "", "email": "carol@example.com"}])
        self.assertEqual(m["cc"], [{"name": "Dan", "email": "dan@example.com"}])
        self.assertFalse(m["read"])
        self.assertEqual(m["attachments"], [])


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as fh:
        fh.write(text)


class PffexportTree(unittest.TestCase):
    def test_folders_messages_recipients_and_attachments(self):
        with tempfile.TemporaryDirectory() as root:
            msg = os.path.join(root, "Top of Personal Folders", "Inbox", "Message00001")
            write(os.path.join(msg, "OutlookHeaders.txt"),
                  "Message:\nClient submit time:\t\t\tJan 2, 2024 03:04:05.123000000 UTC\n"
                  "Flags:\t\t\t\t\t0x00000011 (Read, Has attachments)\n"
                  "Subject:\t\t\t\tHi: there\nSender name:\t\t\t\tAnn\n"
                  "Sender email address:\t\t\tann@example.com\n")
            write(os.path.join(msg, "Recipients.txt"),
                  "Display name:\t\tBob\nEmail address:\t\tbob@example.com\nRecipient type:\t\tTo\n"
                  "\nDisplay name:\t\tEve\nEmail address:\t\teve@example.com\n"
                  "Recipient type:\t\tBCC\n\n")
            write(os.path.join(msg, "Message.txt"), "Hello\r\n")
            write(os.path.join(msg, "Attachments", "1_a_b.txt"), "xyz")
            inner = os.path.join(msg, "Attachments", "Attachment00002", "Message00001")
            write(os.path.join(inner, "OutlookHeaders.txt"), "Message:\nSubject:\t\tInside\n")
            write(os.path.join(root, "Top of Personal Folders", "Empty", "placeholder"), "")
            folders = pffexport_reader._walk(root)
        paths = [f["path"] for f in folders]
        self.assertEqual(paths, [["Top of Personal Folders"], ["Top of Personal Folders", "Empty"],
                                 ["Top of Personal Folders", "Inbox"]])
        m = folders[2]["messages"][0]
        self.assertEqual((m["subject"], m["sender_email"], m["date"]),
                         ("Hi: there", "ann@example.com", "2024-01-02T03:04:05Z"))
        self.assertEqual((m["read"], m["has_attachments"]), (True, True))
        self.assertEqual(m["to"], [{"name": "Bob", "email": "bob@example.com"}])
        self.assertEqual(m["bcc"], [{"name": "Eve", "email": "eve@example.com"}])
        self.assertEqual([(a["name"], a["size"]) for a in m["attachments"]],
                         [("a_b.txt", 3), (None, None)])
        self.assertEqual(m["attachments"][1]["message"]["subject"], "Inside")


if __name__ == "__main__":
    unittest.main()
