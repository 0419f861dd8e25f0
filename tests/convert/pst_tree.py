#!/usr/bin/python3
"""What a PST holds below its top, as libpff reads it: one line per folder and per message.

    pst_tree.py FILE.pst
    F<TAB>A\\B<TAB>count      a folder below "Top of Personal Folders" and its message count
    M<TAB>A\\B<TAB>subject    a message in that folder

Exit 2 when the file cannot be opened. Run with /usr/bin/python3 (pypff is Debian's).
"""

import sys

import pypff


def top_of(root):
    for i in range(root.number_of_sub_folders):
        folder = root.get_sub_folder(i)
        if folder.name == "Top of Personal Folders":
            return folder
    raise ValueError("no Top of Personal Folders")


def walk(folder, prefix, out):
    for i in range(folder.number_of_sub_folders):
        child = folder.get_sub_folder(i)
        path = child.name if not prefix else prefix + "\\" + child.name
        count = child.number_of_sub_messages
        out.append("F\t%s\t%d" % (path, count))
        for k in range(count):
            out.append("M\t%s\t%s" % (path, child.get_sub_message(k).subject or ""))
        walk(child, path, out)


def main(path):
    try:
        pst = pypff.file()
        pst.open(path)
        out = []
        walk(top_of(pst.get_root_folder()), "", out)
    except (OSError, IOError, ValueError) as err:
        print("pst_tree.py: %s: %s" % (path, err), file=sys.stderr)
        return 2
    sys.stdout.write("".join(line + "\n" for line in out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
