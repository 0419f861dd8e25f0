#!/usr/bin/env python3
"""Every message of a Unicode PST as JSON, with its recipient rows, its attachments and the
messages attached to it, however deep, read with pst_dump.py (our reader written from
[MS-PST] alone, sharing no code with the writer):

  message_tree.py FILE.pst          the tree, as below
  message_tree.py --flat FILE.pst   one line per value: PATH TAB TAG TAB JSON-VALUE, PATH the
                                    subject, then /aN for attachment N and /m for its message,
                                    /rN for recipient row N

[{"nid": "200024", "folder": "8022", "props": {"0037001F": "...", ...},
  "named": {"0x8514@{00062008-...}" or "name@{guid}": [tag, value]},
  "recipients": [{tag: value}], "attachments": [{"props": {...}, "message": {...} | null}]}]

Named properties are given by their name, as the store's name-to-id map maps them; values as
pst_dump.py decodes them (binary as hex)."""
import json
import os
import struct
import sys
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pst_dump  # noqa: E402

RECIPIENT_TABLE = 0x692
ATTACHMENT_TABLE = 0x671


def named_ids(pst):
    """Property id (0x8000 and up) -> "lid-or-name@{GUID}" from the name-to-id map."""
    data, sub, _ = pst.nodes[0x61]
    props = pst_dump.Node(pst, 0x61, data, sub).pc()
    guids = bytes.fromhex(props.get("00020102", ""))
    entries = bytes.fromhex(props.get("00030102", ""))
    strings = bytes.fromhex(props.get("00040102", ""))
    out = {}
    for i in range(0, len(entries), 8):
        dw, w1, w2 = struct.unpack_from("<IHH", entries, i)
        index = w1 >> 1
        if index == 1:
            guid = "{00020328-0000-0000-C000-000000000046}"
        elif index == 2:
            guid = "{00020329-0000-0000-C000-000000000046}"
        else:
            raw = guids[(index - 3) * 16:(index - 2) * 16]
            guid = "{%s}" % str(uuid.UUID(bytes_le=raw)).upper()
        if w1 & 1:
            length = struct.unpack_from("<I", strings, dw)[0]
            name = strings[dw + 4:dw + 4 + length].decode("utf-16-le")
        else:
            name = "0x%04X" % dw
        out[0x8000 + w2] = "%s@%s" % (name, guid)
    return out


def message(node, names):
    props = node.pc()
    tagged = {k: v for k, v in props.items() if int(k[:4], 16) < 0x8000}
    named = {names.get(int(k[:4], 16), k): [k, v] for k, v in props.items()
             if int(k[:4], 16) >= 0x8000}
    out = {"props": tagged, "named": named, "recipients": [], "attachments": []}
    if RECIPIENT_TABLE in node.sub:
        out["recipients"] = node.child(RECIPIENT_TABLE).tc()["rows"]
    if ATTACHMENT_TABLE in node.sub:
        for row in node.child(ATTACHMENT_TABLE).tc()["rows"]:
            attachment = node.child(row["67F20003"])
            aprops = attachment.pc()
            entry = {"row": row, "props": aprops, "message": None}
            if "3701000D" in aprops:
                entry["message"] = message(attachment.child(aprops["3701000D"]["object_nid"]),
                                           names)
            out["attachments"].append(entry)
    return out


def messages(path):
    pst = pst_dump.Pst(path)
    names = named_ids(pst)
    out = []
    for nid in sorted(pst.nodes):
        if nid & 0x1F != 4:  # NID_TYPE_NORMAL_MESSAGE
            continue
        data, sub, parent = pst.nodes[nid]
        entry = {"nid": "%X" % nid, "folder": "%X" % parent}
        entry.update(message(pst_dump.Node(pst, nid, data, sub), names))
        out.append(entry)
    pst.f.close()
    return out


def subject_of(props):
    subject = props.get("0037001F", "")
    return subject[2:] if subject.startswith("\x01") else subject


def flat(msg, path, lines):
    def put(where, values):
        for tag in sorted(values):
            lines.append("%s\t%s\t%s" % (where, tag, json.dumps(values[tag], ensure_ascii=False,
                                                               default=str)))
    put(path, msg["props"])
    put(path, {name: value for name, (_, value) in msg["named"].items()})
    for i, row in enumerate(msg["recipients"]):
        put("%s/r%d" % (path, i), row)
    for i, attachment in enumerate(msg["attachments"]):
        put("%s/a%d" % (path, i), attachment["props"])
        if attachment["message"]:
            flat(attachment["message"], "%s/a%d/m" % (path, i), lines)


if __name__ == "__main__":
    if sys.argv[1] == "--flat":
        lines = []
        for m in messages(sys.argv[2]):
            flat(m, subject_of(m["props"]), lines)
        sys.stdout.write("".join(line + "\n" for line in lines))
    else:
        json.dump(messages(sys.argv[1]), sys.stdout, indent=1, ensure_ascii=False, default=str)
