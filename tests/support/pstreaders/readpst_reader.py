"""readpst (libpst): one .eml per message, one directory per folder, parsed back here.

readpst names its top directory after the store, not after the IPM subtree, so path[0] of
its folders is the store's display name ("top_is_store_name" in the dump). It writes no file
for IPM.Post items, omits empty leaf folders, and when a message has transport headers it
writes those instead of headers built from the properties ("transport_headers" per message).
"""

import email
import email.header
import email.policy
import email.utils
import os
import subprocess
import tempfile

from . import model

# Headers readpst builds from properties when a message has no transport headers.
_BUILT_HEADERS = {"status", "from", "subject", "to", "cc", "bcc", "date", "message-id",
                  "in-reply-to", "references", "reply-to", "mime-version", "content-type",
                  "x-libpst-forensic-sender", "x-libpst-forensic-bcc", "importance",
                  "priority", "sensitivity"}


def _addresses(msg, header):
    values = msg.get_all(header) or []
    return [{"name": name, "email": addr} for name, addr in email.utils.getaddresses(
        [str(v) for v in values])]


def _date(msg):
    raw = msg.get("Date")
    if raw is None:
        return None
    try:
        return model.utc_stamp(email.utils.parsedate_to_datetime(str(raw)))
    except (TypeError, ValueError):
        return None


def _part_text(part):
    try:
        return part.get_content()
    except (LookupError, UnicodeDecodeError):
        return part.get_payload(decode=True).decode("utf-8", errors="replace")


def _embedded(part):
    """message/rfc822 payload; readpst starts it with an mbox '>From ' line, which is dropped."""
    inner = part.get_payload()
    if isinstance(inner, list):
        inner = inner[0] if inner else None
    raw = b"" if inner is None else inner.as_bytes().lstrip(b"\r\n")
    if raw.startswith(b">From ") or raw.startswith(b"From "):
        raw = raw.split(b"\n", 1)[1] if b"\n" in raw else b""
    return email.message_from_bytes(raw, policy=email.policy.default)


def _leaves(part):
    """Leaf parts in order, without descending into attached messages."""
    if part.is_multipart() and part.get_content_type() != "message/rfc822":
        for child in part.get_payload():
            yield from _leaves(child)
    else:
        yield part


def _display_list(msg, header):
    """readpst builds To/Cc from the display-name properties ('a; b'), not from addresses."""
    raw = [v for k, v in msg.raw_items() if k.lower() == header.lower()]
    if not raw:
        return []
    text = str(email.header.make_header(email.header.decode_header(raw[0].replace("\n", ""))))
    return [{"name": n.strip()} for n in text.split(";") if n.strip()]


def _message(msg):
    body, html, atts = None, None, []
    for part in _leaves(msg):
        ctype = part.get_content_type()
        if ctype == "message/rfc822":
            atts.append(model.new_attachment(part.get_filename(), message=_message(_embedded(part))))
            continue
        if part.get_filename() is None and part.get_content_disposition() != "attachment":
            if ctype == "text/plain" and body is None:
                body = _part_text(part)
                continue
            if ctype == "text/html" and html is None:
                html = _part_text(part)
                continue
        atts.append(model.new_attachment(part.get_filename(), part.get_payload(decode=True) or b""))
    transport = any(k.lower() not in _BUILT_HEADERS for k in msg.keys())
    senders = _addresses(msg, "From")
    for s in senders:
        # readpst's stand-in when it has no SMTP address to print: not shown.
        if s["email"] == "MAILER-DAEMON":
            s["email"] = None
    if transport:
        to, cc, bcc = _addresses(msg, "To"), _addresses(msg, "Cc"), _addresses(msg, "Bcc")
    else:
        to, cc, bcc = _display_list(msg, "To"), _display_list(msg, "Cc"), None
    out = model.new_message(
        subject=str(msg.get("Subject", "")), sender_name=senders[0]["name"] if senders else None,
        sender_email=senders[0]["email"] if senders else None, to=to, cc=cc, bcc=bcc,
        date=_date(msg), body=body if body is not None else "", html=html,
        read="R" in str(msg.get("Status", "")), attachments=atts)
    out["transport_headers"] = transport
    return out


def _walk(root):
    folders = []
    for here, dirs, files in os.walk(root):
        dirs.sort()
        rel = os.path.relpath(here, root)
        if rel == ".":
            continue
        msgs = []
        for name in sorted(f for f in files if f.endswith(".eml")):
            with open(os.path.join(here, name), "rb") as fh:
                msgs.append(_message(email.message_from_binary_file(fh, policy=email.policy.default)))
        folders.append({"path": rel.split(os.sep), "messages": msgs})
    return folders


def export(path, out, timeout, *options):
    """readpst's files for PATH written below OUT (one per item, a folder per folder), with
    OPTIONS beside the ones every reader here uses; RuntimeError when readpst fails."""
    proc = subprocess.run(["readpst", "-D", "-e", "-b", "-8", "-j0", *options, "-o", out, path],
                          capture_output=True, timeout=timeout)
    if proc.returncode != 0:
        raise RuntimeError("readpst failed (%d): %s" % (
            proc.returncode, proc.stderr.decode(errors="replace").strip()))


def unfold(text):
    """The logical lines of readpst's vCard or iCalendar files: folded lines joined."""
    lines = []
    for line in text.replace("\r\n", "\n").split("\n"):
        if line.startswith((" ", "\t")) and lines:
            lines[-1] += line[1:]
        else:
            lines.append(line)
    return lines


def dump(path, timeout):
    with tempfile.TemporaryDirectory(prefix="readpst-") as out:
        export(path, out, timeout)
        result = model.dump("readpst", _walk(out))
    result["top_is_store_name"] = True
    return result
