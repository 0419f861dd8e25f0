#!/usr/bin/python3
"""Reads the contacts of a PST with readpst (its vCard output) and pst-extractor (its
PSTContact object) and compares them, field by field, with what a test expected.

  contact_readers.py compare FILE.pst EXPECTED.json [--timeout S]

EXPECTED is a list of items, each {"subject": ..., "message_class": ..., "readpst": {vCard
property: value or [values]}, "pstextractor": {getter: value}}; only the fields given are
compared. readpst writes no file for a distribution list, so such an item gives no "readpst".
Prints one line per difference and exits 1, or prints "FILE: readers agree" and exits 0.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

from pstreaders.extractor_reader import run_script
from pstreaders.readpst_reader import export, unfold


def _unescape(value):
    out, i = [], 0
    while i < len(value):
        c = value[i]
        if c == "\\" and i + 1 < len(value):
            i += 1
            c = "\n" if value[i] in "nN" else value[i]
        out.append(c)
        i += 1
    return "".join(out)


def parse_vcard(text):
    """{'NAME;PARAMS': [values]} of one card, values unescaped (structured ones as written)."""
    card = {}
    for line in unfold(text):
        if ":" not in line or line.upper() in ("BEGIN:VCARD", "END:VCARD"):
            continue
        head, value = line.split(":", 1)
        if head.split(";")[0].upper() not in ("N", "ADR"):
            value = _unescape(value)
        card.setdefault(head, []).append(value)
    return card


def readpst_cards(path, timeout):
    with tempfile.TemporaryDirectory(prefix="readpst-") as out:
        export(path, out, timeout)
        cards = []
        for here, _, files in os.walk(out):
            for name in sorted(files):
                if name.endswith(".vcf"):
                    with open(os.path.join(here, name), encoding="utf-8") as fh:
                        cards.append(parse_vcard(fh.read()))
        return cards


def extractor_items(path, timeout):
    return run_script("pst_extractor_contacts.js", path, timeout)


def _values(v):
    return v if isinstance(v, list) else [v]


def compare(expected, cards, items):
    problems = []
    for item in expected:
        subject = item["subject"]
        found = [i for i in items if i.get("subject") == subject]
        if len(found) != 1:
            problems.append("pst-extractor: '%s': found %d times" % (subject, len(found)))
        else:
            got = found[0]
            if got.get("message_class") != item["message_class"]:
                problems.append("pst-extractor: '%s': message_class: expected %r, got %r" % (
                    subject, item["message_class"], got.get("message_class")))
            for field, want in item.get("pstextractor", {}).items():
                if got.get(field) != want:
                    problems.append("pst-extractor: '%s': %s: expected %r, got %r" % (
                        subject, field, want, got.get(field)))
        if "readpst" not in item:
            continue
        want_fn = _values(item["readpst"]["FN"])
        match = [c for c in cards if c.get("FN") == want_fn]
        if len(match) != 1:
            problems.append("readpst: '%s': %d cards with FN %r" % (subject, len(match), want_fn))
            continue
        for field, want in item["readpst"].items():
            if match[0].get(field) != _values(want):
                problems.append("readpst: '%s': %s: expected %r, got %r" % (
                    subject, field, _values(want), match[0].get(field)))
    readpst_expected = sum(1 for i in expected if "readpst" in i)
    if len(cards) != readpst_expected:
        problems.append("readpst: %d cards, expected %d" % (len(cards), readpst_expected))
    if len(items) != len(expected):
        problems.append("pst-extractor: %d items, expected %d" % (len(items), len(expected)))
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    c = sub.add_parser("compare")
    c.add_argument("pst")
    c.add_argument("expected")
    c.add_argument("--timeout", type=float, default=300)
    args = parser.parse_args(argv)
    with open(args.expected, encoding="utf-8") as fh:
        expected = json.load(fh)
    try:
        problems = compare(expected, readpst_cards(args.pst, args.timeout),
                           extractor_items(args.pst, args.timeout))
    except (RuntimeError, OSError, ValueError, subprocess.TimeoutExpired) as err:
        print(err)
        return 1
    for line in problems:
        print(line)
    if problems:
        return 1
    print("%s: readers agree" % args.pst)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
