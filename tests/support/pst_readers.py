#!/usr/bin/python3
"""Reads a PST with four independent readers and compares what they show.

  pst_readers.py dump --reader {readpst,pffexport,pypff,pstextractor} FILE.pst
  pst_readers.py compare FILE.pst EXPECTED.json [--readers r1,r2] [--timeout S]
  pst_readers.py agree FILE.pst [--readers r1,r2] [--timeout S]

Run with /usr/bin/python3 (pypff is bound to Debian's interpreter). See README.md.
"""

import argparse
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pstreaders import compare as cmp  # noqa: E402
from pstreaders import extractor_reader, pffexport_reader, pypff_reader, readpst_reader  # noqa

READERS = {
    "readpst": readpst_reader.dump,
    "pffexport": pffexport_reader.dump,
    "pypff": pypff_reader.dump,
    "pstextractor": extractor_reader.dump,
}
# Agreement reference: the one reader that walks the tables and sees every field but embedded.
REFERENCE = "pstextractor"


def read(reader, path, timeout):
    """The reader's dump, or raises RuntimeError saying why it could not read the file."""
    if not os.path.isfile(path):
        raise RuntimeError("%s: no such file: %s" % (reader, path))
    try:
        return READERS[reader](os.path.abspath(path), timeout)
    except subprocess.TimeoutExpired:
        raise RuntimeError("%s: timed out after %ss" % (reader, timeout)) from None
    except (OSError, ValueError, KeyError, TypeError) as err:
        raise RuntimeError("%s: %s" % (reader, err)) from None


def expected_from(reference):
    """A dump turned into an expectation for the others: folders with messages only, and no
    field the reference could not show."""
    def clean(msg):
        out = {k: v for k, v in msg.items() if v is not None and k != "attachments"}
        out["attachments"] = []
        for a in msg.get("attachments") or []:
            exp = {k: a[k] for k in ("name", "size", "sha256") if a.get(k) is not None}
            if a.get("embedded"):
                exp = {"name": a.get("name"), "embedded": True}
                if a.get("message"):
                    exp["message"] = clean(a["message"])
            out["attachments"].append(exp)
        return out
    def mail(msg):  # readpst and pffexport export mail items only
        return str(msg.get("message_class") or "").startswith(("IPM.Note", "IPM.Post"))
    folders = [{"path": f["path"], "messages": [clean(m) for m in f["messages"] if mail(m)]}
               for f in reference["folders"]]
    return {"folders": [f for f in folders if f["messages"]]}


def check(path, expected, readers, timeout):
    problems = []
    for reader in readers:
        try:
            problems += cmp.compare(expected, read(reader, path, timeout))
        except RuntimeError as err:
            problems.append("%s: reader failed: %s" % (reader, err))
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    d = sub.add_parser("dump", help="print one reader's normalized JSON")
    d.add_argument("--reader", required=True, choices=sorted(READERS))
    d.add_argument("pst")
    for name in ("compare", "agree"):
        c = sub.add_parser(name)
        c.add_argument("pst")
        if name == "compare":
            c.add_argument("expected")
        c.add_argument("--readers", default=",".join(READERS))
    for p in sub.choices.values():
        p.add_argument("--timeout", type=float, default=300)
    args = parser.parse_args(argv)

    if args.command == "dump":
        try:
            json.dump(read(args.reader, args.pst, args.timeout), sys.stdout, ensure_ascii=False,
                      indent=1)
        except RuntimeError as err:
            print(err, file=sys.stderr)
            return 1
        print()
        return 0

    readers = [r for r in args.readers.split(",") if r]
    unknown = [r for r in readers if r not in READERS]
    if unknown:
        parser.error("unknown reader(s): " + ", ".join(unknown))
    if args.command == "compare":
        with open(args.expected, encoding="utf-8") as fh:
            expected = json.load(fh)
    else:
        try:
            expected = expected_from(read(REFERENCE, args.pst, args.timeout))
        except RuntimeError as err:
            print(err)
            return 1
        readers = [r for r in readers if r != REFERENCE]
    problems = check(args.pst, expected, readers, args.timeout)
    for line in problems:
        print(line)
    if problems:
        return 1
    print("%s: %s agree%s" % (args.pst, ", ".join(readers),
                             "" if args.command == "compare" else " with " + REFERENCE))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
