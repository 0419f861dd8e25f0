"""pst-extractor (npm): folders through the hierarchy table, messages through contents tables."""

import json
import os
import subprocess

from . import model

SUPPORT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT = os.path.join(SUPPORT, "pst_extractor_dump.js")


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


def run_script(script, path, timeout):
    """The JSON a pst-extractor dump script (SCRIPT or one beside it) prints for PATH;
    RuntimeError when node fails."""
    # pst-extractor can loop forever on a corrupt file: the timeout is part of the contract.
    proc = subprocess.run(["node", os.path.join(SUPPORT, script), path], capture_output=True,
                          timeout=timeout)
    if proc.returncode != 0:
        raise RuntimeError("pst-extractor failed: " + proc.stderr.decode(errors="replace").strip())
    return json.loads(proc.stdout)


def dump(path, timeout):
    folders = []
    for f in run_script(SCRIPT, path, timeout):
        folders.append({"path": f["path"], "content_count": f["content_count"],
                        "messages": [_normalize_message(m) for m in f["messages"]]})
    return model.dump("pstextractor", folders)
