"""pst-extractor (npm): folders through the hierarchy table, messages through contents tables."""

import json
import os
import subprocess

from . import model

SCRIPT = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                      "pst_extractor_dump.js")


def _normalize_message(raw):
    atts = [model.new_attachment(a["name"], size=a["size"], sha256=a["sha256"],
                                 embedded=a["method"] == 5) for a in raw["attachments"]]
    msg = model.new_message(
        subject=raw["subject"], sender_name=raw["sender_name"], sender_email=raw["sender_email"],
        to=raw["to"], cc=raw["cc"], bcc=raw["bcc"], date=model.utc_stamp(raw["date"]),
        body=raw["body"], html=raw["html"], read=raw["read"],
        has_attachments=raw["has_attachments"], attachments=atts)
    msg["message_class"] = raw["message_class"]
    return msg


def dump(path, timeout):
    # pst-extractor can loop forever on a corrupt file: the timeout is part of the contract.
    proc = subprocess.run(["node", SCRIPT, path], capture_output=True, timeout=timeout)
    if proc.returncode != 0:
        raise RuntimeError("pst-extractor failed: " + proc.stderr.decode(errors="replace").strip())
    folders = []
    for f in json.loads(proc.stdout):
        folders.append({"path": f["path"], "content_count": f["content_count"],
                        "messages": [_normalize_message(m) for m in f["messages"]]})
    return model.dump("pstextractor", folders)
