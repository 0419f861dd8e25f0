#!/usr/bin/env python3
"""Rebuilds the RFC 822 form of every received mail Outlook stored in the sample stores, from
what Outlook kept of it: its transport headers (PidTagTransportMessageHeaders), its bodies
(PidTagBody, PidTagHtml in PidTagInternetCodepage) and its attachments, attached messages
rebuilt the same way. Run once; the .eml files it writes are the round trip's inputs and
live in the repo:

  rebuild_from_samples.py [SAMPLES_DIR [OUT_DIR]]

A received mail is a message with transport headers. The header block is kept as Outlook
kept it; its Content-* lines too when the parts Outlook kept still fit them (a text/plain
mail, a multipart/alternative one), else they are replaced by lines describing the parts
written here (the Exchange mails, which arrived as TNEF)."""
import base64
import datetime
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "pst", "messaging"))
import message_tree  # noqa: E402

# tika-testPST-2014.pst holds the same six mails as tika-testPST.pst, and is left out.
SAMPLES = ["tika-testPST.pst", "tika-testPST_variousBodyTypes.pst", "pstsdk-sample1.pst",
           "pstsdk-submessage.pst"]
CHARSETS = {20127: "us-ascii", 28591: "iso-8859-1", 65001: "utf-8", 1252: "windows-1252"}
MIME_LINES = ("content-type", "content-transfer-encoding", "mime-version")


def header_fields(block):
    """The header block as fields, each with its continuation lines, CRLF ended."""
    fields = []
    for line in block.split("\r\n"):
        if not line:
            continue
        if line[0] in " \t" and fields:
            fields[-1] += "\r\n" + line
        else:
            fields.append(line)
    return [f + "\r\n" for f in fields]


def field_value(fields, name):
    for f in fields:
        if f.lower().startswith(name + ":"):
            return " ".join(f.split(":", 1)[1].split())
    return None


def parameter(value, name):
    for part in value.split(";")[1:]:
        key, _, v = part.strip().partition("=")
        if key.strip().lower() == name:
            return v.strip().strip('"')
    return None


def rfc5322_date(filetime):
    when = datetime.datetime(1601, 1, 1, tzinfo=datetime.timezone.utc) + \
        datetime.timedelta(microseconds=filetime // 10)
    return when.strftime("%a, %d %b %Y %H:%M:%S +0000")


def synthesized_fields(props, recipients):
    """Header fields for a message that kept no transport headers."""
    def mailbox(name, address):
        return '"%s" <%s>' % (name.replace('"', ""), address) if name else "<%s>" % address
    fields = []
    address = props.get("5D02001F") or props.get("0065001F")
    if address:
        fields.append("From: %s\r\n" % mailbox(props.get("0042001F", ""), address))
    for kind, header in ((1, "To"), (2, "Cc")):
        boxes = [mailbox(r.get("3001001F", ""), r.get("39FE001F") or r.get("3003001F", ""))
                 for r in recipients if r.get("0C150003") == kind]
        if boxes:
            fields.append("%s: %s\r\n" % (header, ", ".join(boxes)))
    subject = props.get("0037001F", "")
    fields.append("Subject: %s\r\n" % (subject[2:] if subject.startswith("\x01") else subject))
    if "00390040" in props:
        fields.append("Date: %s\r\n" % rfc5322_date(props["00390040"]))
    if "1035001F" in props:
        fields.append("Message-ID: %s\r\n" % props["1035001F"])
    return fields


def text_bytes(text, charset):
    try:
        return text.encode(charset), charset
    except (UnicodeEncodeError, LookupError):
        return text.encode("utf-8"), "utf-8"


def base64_lines(data):
    encoded = base64.b64encode(data)
    return b"".join(encoded[i:i + 76] + b"\r\n" for i in range(0, len(encoded), 76))


def ascii(text):
    """Header text; raw UTF-8 where Outlook's held more than ASCII (RFC 6532)."""
    return text.encode("utf-8")


class Builder:
    def __init__(self):
        self.count = 0

    def multipart(self, subtype, parts, boundary=None):
        """(Content-Type field, body) of a multipart holding `parts` (whole entities)."""
        if not boundary:
            self.count += 1
            boundary = "=_rebuilt_%d" % self.count
        b = boundary.encode("ascii")
        body = b"".join(b"--" + b + b"\r\n" + p + b"\r\n" for p in parts) + b"--" + b + b"--\r\n"
        return ascii("Content-Type: multipart/%s; boundary=\"%s\"\r\n" % (subtype, boundary)), body

    def attachment(self, a):
        props = a["props"]
        if a["message"]:
            return b"Content-Type: message/rfc822\r\n\r\n" + self.message(a["message"])
        name = props.get("3707001F") or props.get("3704001F") or "attachment"
        data = bytes.fromhex(props.get("37010102", ""))
        mime = props.get("370E001F") or "application/octet-stream"
        headers = "Content-Type: %s; name=\"%s\"\r\n" % (mime, name)
        headers += "Content-Disposition: attachment; filename=\"%s\"" % name
        for tag, param in (("30070040", "creation-date"), ("30080040", "modification-date")):
            if tag in props:
                headers += ";\r\n %s=\"%s\"" % (param, rfc5322_date(props[tag]))
        headers += "\r\n"
        if props.get("3712001F"):
            headers += "Content-ID: <%s>\r\n" % props["3712001F"]
        headers += "Content-Transfer-Encoding: base64\r\n\r\n"
        return ascii(headers) + base64_lines(data)

    def message(self, m):
        props = m["props"]
        fields = header_fields(props["007D001F"]) if props.get("007D001F") else \
            synthesized_fields(props, m["recipients"])
        charset = CHARSETS.get(props.get("3FDE0003"), "utf-8")
        declared = field_value(fields, "content-type") or ""
        top = declared.split(";")[0].strip().lower()
        keep = [f for f in fields if not f.lower().startswith(MIME_LINES)]

        texts = []  # (part headers, bytes)
        if "1000001F" in props:
            wanted = (parameter(declared, "charset") if top == "text/plain" else None) or charset
            data, used = text_bytes(props["1000001F"], wanted)
            flowed = "; format=flowed" if parameter(declared, "format") == "flowed" else ""
            texts.append((ascii("Content-Type: text/plain; charset=\"%s\"%s\r\n"
                                "Content-Transfer-Encoding: 8bit\r\n" % (used, flowed)), data))
        if "10130102" in props:
            texts.append((ascii("Content-Type: text/html; charset=\"%s\"\r\n"
                                "Content-Transfer-Encoding: 8bit\r\n" % charset),
                          bytes.fromhex(props["10130102"])))

        if not m["attachments"] and top == "text/plain" and len(texts) == 1:
            # The mail as it came: its own Content-* lines describe the one part kept.
            return ascii("".join(fields)) + b"\r\n" + texts[0][1]
        if not m["attachments"] and top == "multipart/alternative" and texts:
            _, body = self.multipart("alternative", [h + b"\r\n" + d for h, d in texts],
                                     parameter(declared, "boundary"))
            return ascii("".join(fields)) + b"\r\n" + body

        # Parts that no longer fit the mail's own Content-* lines: described anew.
        if len(texts) > 1:
            head, body = self.multipart("alternative", [h + b"\r\n" + d for h, d in texts])
        elif texts:
            head, body = texts[0]
        else:
            head, body = b"Content-Type: text/plain\r\n", b""
        if m["attachments"]:
            parts = [head + b"\r\n" + body] + [self.attachment(a) for a in m["attachments"]]
            head, body = self.multipart("mixed", parts)
        return ascii("".join(keep)) + b"MIME-Version: 1.0\r\n" + head + b"\r\n" + body


def main():
    samples = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "data",
                                                                 "pst-samples")
    out = sys.argv[2] if len(sys.argv) > 2 else HERE
    for sample in SAMPLES:
        stem = sample[:-len(".pst")]
        number = 0
        for m in message_tree.messages(os.path.join(samples, sample)):
            if not m["props"].get("007D001F"):
                continue  # not received: a draft or a mail sent from this store
            number += 1
            with open(os.path.join(out, "%s-%d.eml" % (stem, number)), "wb") as f:
                f.write(Builder().message(m))


if __name__ == "__main__":
    main()
