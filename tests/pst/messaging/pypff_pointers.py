#!/usr/bin/python3
"""Resolves a PST's special-folder pointers through pypff's raw property access, one line each:
  pypff_pointers.py FILE.pst
  store 35E2 -> Outbox (IPF.Note)
  root 36D7 -> Drafts (IPF.Note)
  inbox 36D8[4] -> Junk E-mail (IPF.Note)
The Inbox is the folder the store's receive-folder table names, which pypff cannot read: it
is taken as the IPM subtree's child named Inbox. A pointer to no folder prints "-> nothing"."""
import struct
import sys

import pypff

STORE_POINTERS = [0x35E0, 0x35E2, 0x35E3, 0x35E4, 0x35E7]
FOLDER_POINTERS = [0x36D0, 0x36D1, 0x36D2, 0x36D3, 0x36D4, 0x36D7]
ADDITIONAL_REN_ENTRY_IDS = 0x36D8


def entries(item):
    out = {}
    for rs in range(item.number_of_record_sets):
        record_set = item.get_record_set(rs)
        for e in range(record_set.number_of_entries):
            entry = record_set.get_entry(e)
            out[(entry.entry_type, entry.value_type)] = entry.data or b""
    return out


def folders_by_nid(folder, out):
    values = entries(folder)
    cls = values.get((0x3613, 0x1F))
    out[folder.identifier] = (folder.name or "", cls.decode("utf-16-le") if cls else "")
    for i in range(folder.number_of_sub_folders):
        folders_by_nid(folder.get_sub_folder(i), out)
    return out


def target(entry_id, folders):
    if len(entry_id) != 24:
        return "nothing (%d bytes)" % len(entry_id)
    nid = struct.unpack_from("<I", entry_id, 20)[0]
    if nid not in folders:
        return "nothing (nid 0x%X)" % nid
    name, cls = folders[nid]
    return "%s (%s)" % (name, cls)


def multi_binary(data):
    """PtypMultipleBinary as [MS-PST] 2.3.3.4.2 stores it: count, offsets, values."""
    if not data:
        return []
    count = struct.unpack_from("<I", data, 0)[0]
    offsets = list(struct.unpack_from("<%dI" % count, data, 4)) + [len(data)]
    return [data[offsets[i]:offsets[i + 1]] for i in range(count)]


def folder_pointers(label, values, folders, lines):
    for tag in FOLDER_POINTERS:
        if (tag, 0x102) in values:
            lines.append("%s %04X -> %s" % (label, tag, target(values[(tag, 0x102)], folders)))
    if (ADDITIONAL_REN_ENTRY_IDS, 0x1102) in values:
        for i, v in enumerate(multi_binary(values[(ADDITIONAL_REN_ENTRY_IDS, 0x1102)])):
            if v:
                lines.append("%s %04X[%d] -> %s" % (label, ADDITIONAL_REN_ENTRY_IDS, i,
                                                   target(v, folders)))


def main(path):
    f = pypff.file()
    f.open(path)
    root = f.get_root_folder()
    folders = folders_by_nid(root, {})
    lines = []
    store = entries(f.get_message_store())
    for tag in STORE_POINTERS:
        if (tag, 0x102) in store:
            lines.append("store %04X -> %s" % (tag, target(store[(tag, 0x102)], folders)))
    mask = store.get((0x35DF, 0x3))
    lines.append("store 35DF = 0x%X" % struct.unpack("<I", mask)[0] if mask else "store 35DF none")
    folder_pointers("root", entries(root), folders, lines)
    subtree = store.get((0x35E0, 0x102), b"")
    subtree_nid = struct.unpack_from("<I", subtree, 20)[0] if len(subtree) == 24 else None
    for i in range(root.number_of_sub_folders):
        top = root.get_sub_folder(i)
        if top.identifier != subtree_nid:
            continue
        for k in range(top.number_of_sub_folders):
            if top.get_sub_folder(k).name == "Inbox":
                folder_pointers("inbox", entries(top.get_sub_folder(k)), folders, lines)
    print("\n".join(lines))


if __name__ == "__main__":
    main(sys.argv[1])
