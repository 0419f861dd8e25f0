"""pffexport (libpff): one directory per folder and message, with text files per message.

pffexport skips IPM.Post items, names attachments 'N_name' (the prefix is removed here) and
replaces some characters in folder and attachment names with '_' (compare.py undoes that on
the expected side). Embedded messages sit in 'AttachmentNNNNN/Message00001' with no name.
"""

import os
import re
import subprocess
import tempfile

from . import model

_MESSAGE_DIR = re.compile(r"^(Message|Post|Note|Contact|Appointment|Task|Meeting|Activity|"
                          r"DistributionList|Document|RSSFeed|Conflict)\d{5}$")
_ATTACHMENT_PREFIX = re.compile(r"^\d+_")
_MONTHS = {m: i + 1 for i, m in enumerate(
    "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split())}


def _read(path, binary=False):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as fh:
        data = fh.read()
    return data if binary else data.decode("utf-8", errors="replace")


def _fields(text):
    """'Key:<tabs>value' lines -> dict (first occurrence wins)."""
    out = {}
    for line in (text or "").splitlines():
        key, sep, value = line.partition(":")
        if sep and key.strip() not in out:
            out[key.strip()] = value.strip()
    return out


def _time(value):
    # "Nov 26, 2020 22:18:29.446000000 UTC"
    m = re.match(r"(\w{3}) (\d{1,2}), (\d{4}) (\d{2}):(\d{2}):(\d{2})", value or "")
    if not m:
        return None
    mon, day, year, hh, mm, ss = m.groups()
    return "%s-%02d-%02dT%s:%s:%sZ" % (year, _MONTHS[mon], int(day), hh, mm, ss)


def _recipients(text):
    out = {"to": [], "cc": [], "bcc": []}
    for block in re.split(r"\n\s*\n", (text or "").strip()):
        f = _fields(block)
        kind = f.get("Recipient type", "").lower()
        if kind in out:
            out[kind].append({"name": f.get("Display name"), "email": f.get("Email address")})
    return out


def _attachments(folder):
    out = []
    if not os.path.isdir(folder):
        return out
    for name in sorted(os.listdir(folder), key=lambda n: int(re.match(r"\D*(\d+)", n).group(1))
                       if re.match(r"\D*(\d+)", n) else 0):
        full = os.path.join(folder, name)
        if os.path.isdir(full):
            inner = [d for d in sorted(os.listdir(full)) if _MESSAGE_DIR.match(d)]
            nested = _message(os.path.join(full, inner[0])) if inner else None
            out.append(model.new_attachment(None, message=nested))
        else:
            out.append(model.new_attachment(_ATTACHMENT_PREFIX.sub("", name, count=1),
                                            _read(full, binary=True)))
    return out


def _message(folder):
    head = _fields(_read(os.path.join(folder, "OutlookHeaders.txt")))
    flags = head.get("Flags", "")
    recips = _recipients(_read(os.path.join(folder, "Recipients.txt")))
    return model.new_message(
        subject=head.get("Subject", ""), sender_name=head.get("Sender name"),
        sender_email=head.get("Sender email address"), to=recips["to"], cc=recips["cc"],
        bcc=recips["bcc"], date=_time(head.get("Client submit time")),
        body=_read(os.path.join(folder, "Message.txt")) or "",
        html=_read(os.path.join(folder, "Message.html")),
        read="Read" in flags if flags else None,
        has_attachments="Has attachments" in flags if flags else None,
        attachments=_attachments(os.path.join(folder, "Attachments")))


def _walk(root):
    folders = []

    def visit(here, path):
        msgs, subs = [], []
        for name in sorted(os.listdir(here)):
            full = os.path.join(here, name)
            if not os.path.isdir(full):
                continue
            if _MESSAGE_DIR.match(name) and os.path.exists(os.path.join(full, "OutlookHeaders.txt")):
                msgs.append(_message(full))
            else:
                subs.append((full, name))
        folders.append({"path": path, "messages": msgs})
        for full, name in subs:
            visit(full, path + [name])

    for name in sorted(os.listdir(root)):
        if os.path.isdir(os.path.join(root, name)):
            visit(os.path.join(root, name), [name])
    return folders


def dump(path, timeout):
    with tempfile.TemporaryDirectory(prefix="pffexport-") as out:
        target = os.path.join(out, "x")
        proc = subprocess.run(["pffexport", "-q", "-m", "items", "-f", "all", "-t", target, path],
                              capture_output=True, timeout=timeout)
        output = (proc.stderr + proc.stdout).decode(errors="replace")
        # pffexport exits 0 after skipping items it could not read; that is a failure here.
        skipped = [line for line in output.splitlines() if "unable to" in line.lower()]
        if proc.returncode != 0 or not os.path.isdir(target + ".export") or skipped:
            raise RuntimeError("pffexport failed (%d): %s" % (
                proc.returncode, "\n".join(skipped) or output.strip()))
        return model.dump("pffexport", _walk(target + ".export"))
