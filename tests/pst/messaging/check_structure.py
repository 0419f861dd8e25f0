#!/usr/bin/python3
"""Compares a PST's node set and properties with an Outlook-made one, node by node:
  check_structure.py OURS.pst OUTLOOK.pst
Store-specific values are compared by shape only: the provider UID (record key, entry ids),
the replica GUID, row versions and the IPM subtree's localized name. Name-to-id map streams are
compared as the names they hold (Outlook pads its string stream with junk). Exit 1 on any
difference, one line each."""
import struct
import sys

import pst_dump

IPM_NAMES = ("Top of Personal Folders", "Top of Outlook data file")
STORE_UID_PROPS = ("35E00102", "35E30102", "35E60102", "35E70102")


def names(props):
    guids = bytes.fromhex(props.get("00020102", ""))
    entries = bytes.fromhex(props.get("00030102", ""))
    strings = bytes.fromhex(props.get("00040102", ""))
    out = []
    for i in range(len(entries) // 8):
        key, word, index = struct.unpack_from("<IHH", entries, 8 * i)
        kind = word >> 1
        guid = guids[16 * (kind - 3):16 * (kind - 2)].hex() if kind >= 3 else kind
        if word & 1:
            size = struct.unpack_from("<I", strings, key)[0]
            key = strings[key + 4:key + 4 + size].decode("utf-16-le")
        out.append((guid, key, index))
    return out


def normalize_store(props, problems, label):
    uid = props.get("0FF90102", "")
    if len(uid) != 32:
        problems.append("%s: record key is not 16 bytes" % label)
    for tag in STORE_UID_PROPS:
        value = props.get(tag, "")
        if value[:8] != "00000000" or value[8:40] != uid:
            problems.append("%s: %s is not an entry id of this store" % (label, tag))
        props[tag] = value[:8] + "<uid>" + value[40:]
    props["0FF90102"] = "<uid>"
    history = props.get("0E340102", "")
    props["0E340102"] = history[:8] + "<guid>" + history[40:] if len(history) == 48 else history


def normalize(dump, problems, label):
    nodes = dump["nodes"]
    for nid, node in nodes.items():
        if node["kind"] == "pc":
            props = node["props"]
            if nid == "21":
                normalize_store(props, problems, label)
            if nid == "61":
                props["names"] = names(props)
                for tag in ("00030102", "00040102"):
                    props.pop(tag, None)
            if props.get("3001001F") in IPM_NAMES:
                props["3001001F"] = "<ipm subtree>"
        if node["kind"] == "tc":
            for row in node["table"]["rows"]:
                row.pop("67F30003", None)
                if row.get("3001001F") in IPM_NAMES:
                    row["3001001F"] = "<ipm subtree>"
    return nodes


def main(ours_path, theirs_path):
    problems = []
    ours = normalize(pst_dump.dump(ours_path), problems, "ours")
    theirs = normalize(pst_dump.dump(theirs_path), problems, "outlook")
    for nid in sorted(set(ours) | set(theirs), key=lambda n: int(n, 16)):
        if nid not in ours:
            problems.append("node %s: missing" % nid)
        elif nid not in theirs:
            problems.append("node %s: not in Outlook's file" % nid)
        elif ours[nid] != theirs[nid]:
            a, b = ours[nid], theirs[nid]
            for key in sorted(set(a) | set(b)):
                if a.get(key) != b.get(key):
                    problems.append("node %s: %s: ours %s, Outlook's %s"
                                    % (nid, key, str(a.get(key))[:300], str(b.get(key))[:300]))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
