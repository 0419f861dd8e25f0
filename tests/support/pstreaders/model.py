"""The normalized dump shape shared by every reader adapter."""

import datetime
import hashlib

MESSAGE_FIELDS = ("subject", "sender_name", "sender_email", "to", "cc", "bcc", "date", "body",
                  "html", "read", "has_attachments", "attachments")


def new_message(**fields):
    """A message with every schema field; fields a reader cannot show stay None."""
    msg = {name: None for name in MESSAGE_FIELDS}
    msg.update(fields)
    return msg


def new_attachment(name, data=None, message=None, size=None, sha256=None, embedded=None):
    """'embedded' says whether it is an attached message even when a reader cannot open it."""
    if data is not None:
        size, sha256 = len(data), hashlib.sha256(data).hexdigest()
    if embedded is None:
        embedded = message is not None
    return {"name": name, "size": size, "sha256": sha256, "message": message,
            "embedded": embedded}


def utc_stamp(value):
    """datetime (naive = UTC) or ISO text -> 'YYYY-MM-DDTHH:MM:SSZ', seconds truncated."""
    if value is None:
        return None
    if isinstance(value, str):
        value = datetime.datetime.fromisoformat(value.replace("Z", "+00:00"))
    if value.tzinfo is not None:
        value = value.astimezone(datetime.timezone.utc).replace(tzinfo=None)
    return value.strftime("%Y-%m-%dT%H:%M:%SZ")


def decode_text(data, codepage=None):
    """Bytes of a body in a reader's output to str; UTF-8 unless a code page says otherwise."""
    if data is None:
        return None
    if isinstance(data, str):
        return data
    encoding = {65001: "utf-8", 1252: "cp1252", 20127: "ascii", 28591: "latin-1"}.get(
        codepage, "utf-8")
    return data.decode(encoding, errors="replace")


def dump(reader, folders):
    return {"reader": reader, "folders": folders}
