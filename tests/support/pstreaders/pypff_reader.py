"""pypff (libpff's Python binding): folders and messages through libpff's item tree.

Runs in a child /usr/bin/python3 so a crash or hang in libpff is a reader failure, not ours.
Cannot show recipients or embedded messages (readers.md).
"""

import json
import subprocess

from . import model

PYTHON = "/usr/bin/python3"

_CHILD = r'''
import hashlib, json, sys, pypff

TAG_CLASS, TAG_FLAGS, TAG_SENDER_EMAIL, TAG_CODEPAGE = 0x001A, 0x0E07, 0x0C1F, 0x3FDE
TAG_LONG_NAME, TAG_SHORT_NAME, TAG_DISPLAY_NAME, TAG_METHOD = 0x3707, 0x3704, 0x3001, 0x3705

def props(item):
    out = {}
    if item.number_of_record_sets == 0:
        return out
    for e in item.get_record_set(0).entries:
        out[e.entry_type] = e
    return out

def text(entry):
    if entry is None or entry.data is None:
        return None
    if entry.value_type == 0x1F:
        return entry.data.decode("utf-16-le", errors="replace").rstrip("\x00")
    return entry.data_as_string

def integer(entry):
    return None if entry is None or entry.data is None else entry.data_as_integer

def stamp(value):
    return None if value is None else value.strftime("%Y-%m-%dT%H:%M:%SZ")

def attachment(att):
    p = props(att)
    name = text(p.get(TAG_LONG_NAME)) or text(p.get(TAG_SHORT_NAME)) or text(p.get(TAG_DISPLAY_NAME))
    method = integer(p.get(TAG_METHOD))
    if method == 5:
        return {"name": name, "embedded": True}
    data = att.read_buffer(att.size) if att.size else b""
    return {"name": name, "embedded": False, "size": len(data),
            "sha256": hashlib.sha256(data).hexdigest()}

def message(msg):
    p = props(msg)
    flags = integer(p.get(TAG_FLAGS))
    html = msg.html_body
    return {
        "message_class": text(p.get(TAG_CLASS)),
        "subject": msg.subject,
        "sender_name": msg.sender_name,
        "sender_email": text(p.get(TAG_SENDER_EMAIL)),
        "date": stamp(msg.client_submit_time),
        "body": (msg.plain_text_body or b"").decode("utf-8", errors="replace"),
        "html_hex": None if html is None else html.hex(),
        "codepage": integer(p.get(TAG_CODEPAGE)),
        "flags": flags,
        "attachments": [attachment(msg.get_attachment(i)) for i in range(msg.number_of_attachments)],
    }

def walk(folder, parents, out):
    here = parents + [folder.name or ""]
    msgs = [message(folder.get_sub_message(i)) for i in range(folder.number_of_sub_messages)]
    out.append({"path": here, "messages": msgs})
    for i in range(folder.number_of_sub_folders):
        walk(folder.get_sub_folder(i), here, out)

f = pypff.file()
f.open(sys.argv[1])
root = f.get_root_folder()
out = []
for i in range(root.number_of_sub_folders):
    walk(root.get_sub_folder(i), [], out)
json.dump(out, sys.stdout)
'''


def _normalize_message(raw):
    flags = raw["flags"]
    atts = []
    for a in raw["attachments"]:
        if a["embedded"]:
            atts.append(model.new_attachment(a["name"], embedded=True))
        else:
            atts.append(model.new_attachment(a["name"], size=a["size"], sha256=a["sha256"]))
    html = None if raw["html_hex"] is None else model.decode_text(
        bytes.fromhex(raw["html_hex"]), raw["codepage"])
    msg = model.new_message(
        subject=raw["subject"], sender_name=raw["sender_name"], sender_email=raw["sender_email"],
        date=raw["date"], body=raw["body"], html=html,
        read=None if flags is None else bool(flags & 0x01),
        has_attachments=None if flags is None else bool(flags & 0x10), attachments=atts)
    msg["message_class"] = raw["message_class"]
    return msg


def dump(path, timeout):
    proc = subprocess.run([PYTHON, "-c", _CHILD, path], capture_output=True, timeout=timeout)
    if proc.returncode != 0:
        raise RuntimeError("pypff failed: " + proc.stderr.decode(errors="replace").strip())
    folders = [{"path": f["path"], "messages": [_normalize_message(m) for m in f["messages"]]}
               for f in json.loads(proc.stdout)]
    return model.dump("pypff", folders)
