"""Writes the end-to-end source tree: nested folders, non-ASCII names, Zimbra batch folders,
attachments, an embedded message, a malformed message and an empty (unreadable) one.
Returns what a reader should see, in the reader harness's JSON shape (folder paths below
the store's top, without the top itself)."""

import base64
import hashlib
import os

DATE = "Sun, 06 Dec 2026 04:05:07 +0000"
ISO_DATE = "2026-12-06T04:05:07Z"
PNG = bytes(range(256)) * 40 + b"\x89PNG tail"


def _write(path, text_or_bytes):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = text_or_bytes.encode("utf-8") if isinstance(text_or_bytes, str) else text_or_bytes
    with open(path, "wb") as f:
        f.write(data)


def _headers(subject_header, extra=""):
    return ("From: Ann Example <ann@example.org>\r\n"
            "To: Bob Example <bob@example.org>\r\n"
            f"Subject: {subject_header}\r\n"
            f"Date: {DATE}\r\n"
            "MIME-Version: 1.0\r\n" + extra)


def _plain(subject, body, subject_header=None):
    text = _headers(subject_header or subject,
                    "Content-Type: text/plain; charset=utf-8\r\n"
                    "Content-Transfer-Encoding: 8bit\r\n\r\n") + body + "\r\n"
    expected = {"subject": subject, "sender_name": "Ann Example",
                "sender_email": "ann@example.org", "to": [{"name": "Bob Example",
                                                           "email": "bob@example.org"}],
                "date": ISO_DATE, "body": body, "read": True, "has_attachments": False,
                "attachments": []}
    return text, expected


def _with_attachments(subject):
    note = "Quarterly numbers"  # the line break before a boundary belongs to the boundary
    text = (_headers(subject, 'Content-Type: multipart/mixed; boundary="b1"\r\n\r\n') +
            "--b1\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nSee the attachments.\r\n"
            "--b1\r\nContent-Type: text/plain; name=\"notes.txt\"\r\n"
            "Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\n" + note + "\r\n" +
            "--b1\r\nContent-Type: image/png; name=\"chart.png\"\r\n"
            "Content-Disposition: attachment; filename=\"chart.png\"\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\n" +
            base64.encodebytes(PNG).decode().replace("\n", "\r\n") + "--b1--\r\n")
    attachments = []
    for name, data in (("notes.txt", note.encode()), ("chart.png", PNG)):
        attachments.append({"name": name, "size": len(data),
                            "sha256": hashlib.sha256(data).hexdigest()})
    expected = {"subject": subject, "sender_email": "ann@example.org",
                "body": "See the attachments.", "read": True, "has_attachments": True,
                "attachments": attachments}
    return text, expected


def _with_embedded(subject):
    inner = _headers("Inner message", "Content-Type: text/plain\r\n\r\n") + "Inner body\r\n"
    text = (_headers(subject, 'Content-Type: multipart/mixed; boundary="b2"\r\n\r\n') +
            "--b2\r\nContent-Type: text/plain\r\n\r\nForwarded below.\r\n"
            "--b2\r\nContent-Type: message/rfc822\r\n"
            "Content-Disposition: attachment\r\n\r\n" + inner + "--b2--\r\n")
    expected = {"subject": subject, "body": "Forwarded below.", "read": True,
                "has_attachments": True,
                "attachments": [{"name": "Inner message", "embedded": True}]}
    return text, expected


def make_tree(root):
    """Returns (expected folders by path tuple, files that cannot be converted)."""
    folders = {}

    def put(rel_folder, name, text, expected):
        _write(os.path.join(root, *rel_folder, name), text)
        if expected is not None:
            folders.setdefault(tuple(rel_folder), []).append(expected)

    inbox = ["Mail", "Inbox"]
    for k in range(3):
        put(inbox, f"m{k}.eml", *_plain(f"Inbox message {k}", f"Body {k}"))
    # Zimbra's batch folders: their mail belongs to Inbox.
    for batch, k in (("Inbox!1", 3), ("Inbox!12", 4)):
        text, expected = _plain(f"Inbox message {k}", f"Body {k}")
        _write(os.path.join(root, "Mail", batch, f"m{k}.eml"), text)
        folders.setdefault(tuple(inbox), []).append(expected)

    put(["Mail", "\u00c9t\u00e9", "\u0412\u0445\u0456\u0434\u043d\u0456"], "\u043b\u0438\u0441\u0442.eml",
        *_plain("Lettre \u041f\u0440\u0438\u0432\u0456\u0442 \u00e9t\u00e9 \u2603",
                "Unicode body \u00e9\u00e8 \u0416 \u2603",
                subject_header="=?UTF-8?B?" + base64.b64encode(
                    "Lettre \u041f\u0440\u0438\u0432\u0456\u0442 \u00e9t\u00e9 \u2603".encode()).decode() +
                "?="))
    put(["Mail", "Sent"], "attach.eml", *_with_attachments("With attachments"))
    put(["Mail", "Sent"], "forward.eml", *_with_embedded("With an embedded message"))
    put(["Mail", "Sent", "Deep", "Deeper"], "deep.eml", *_plain("Deep message", "Deep body"))

    # Malformed: a header line without a colon and a multipart without its boundary. It is
    # still converted, as the best message that can be made of it.
    malformed = (_headers("Malformed but kept", 'Content-Type: multipart/mixed; boundary="zz"\r\n') +
                 "this header line has no colon\r\n\r\nno boundary ever comes\r\n")
    put(["Mail", "Junk"], "malformed.eml", malformed,
        {"subject": "Malformed but kept", "read": True})
    empty = os.path.join(root, "Mail", "Junk", "empty.eml")
    put(["Mail", "Junk"], "empty.eml", b"", None)
    return folders, [empty]
