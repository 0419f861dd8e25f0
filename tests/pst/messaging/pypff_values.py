#!/usr/bin/python3
"""Prints, as JSON, every property pypff (libpff) finds on each message of a folder path:
  pypff_values.py FILE.pst FOLDER/SUBFOLDER
{subject: {"XXXXYYYY": hex of the value's bytes}} with tags as 8 hex digits."""
import json
import sys

import pypff


def main(path, folder_path):
    f = pypff.file()
    f.open(path)
    folder = f.get_root_folder()
    for name in folder_path.split("/"):
        folder = next(folder.get_sub_folder(i) for i in range(folder.number_of_sub_folders)
                      if folder.get_sub_folder(i).name == name)
    out = {}
    for i in range(folder.number_of_sub_messages):
        message = folder.get_sub_message(i)
        values = {}
        for rs in range(message.number_of_record_sets):
            record_set = message.get_record_set(rs)
            for e in range(record_set.number_of_entries):
                entry = record_set.get_entry(e)
                data = entry.data or b""
                values["%04X%04X" % (entry.entry_type, entry.value_type)] = data.hex()
        out[message.subject or ""] = values
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
