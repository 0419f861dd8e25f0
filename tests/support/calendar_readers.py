#!/usr/bin/python3
"""Reads the appointments and tasks of a PST with readpst (its iCalendar output) and
pst-extractor (its appointment and task objects) and compares them, field by field, with what a
test expected.

  calendar_readers.py compare FILE.pst EXPECTED.json [--timeout S]
  calendar_readers.py dump {readpst,pstextractor} FILE.pst

EXPECTED is a list of items: {"subject", "kind": "appointment"|"task", and any of "start",
"end" (UTC, "YYYY-MM-DDTHH:MM:SSZ"), "location", "body", "busy_status", "all_day", "recurring",
"rrule" (readpst's RRULE), "alarm_minutes", "status", "percent", "complete", "start_date",
"due_date" (a task's days, as midnight UTC)}. Items are matched
by subject; a field left out is not compared. readpst exports appointments only. Exit 0 when
both readers show what was expected, else one line per difference and exit 1.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

from pstreaders.extractor_reader import run_script
from pstreaders.readpst_reader import export, unfold


def ical_text(value):
    return value.replace("\\n", "\n").replace("\\,", ",").replace("\\;", ";").replace("\\\\", "\\")


def ical_utc(value):
    v = value.rstrip("Z")
    if len(v) == 8:
        return "%s-%s-%sT00:00:00Z" % (v[:4], v[4:6], v[6:8])
    return "%s-%s-%sT%s:%s:%sZ" % (v[:4], v[4:6], v[6:8], v[9:11], v[11:13], v[13:15])


def readpst_items(pst, timeout):
    with tempfile.TemporaryDirectory() as out:
        export(pst, out, timeout, "-q", "-t", "a")
        items = []
        for root, _, files in os.walk(out):
            for name in sorted(files):
                if not name.endswith(".ics"):
                    continue
                with open(os.path.join(root, name), encoding="utf-8") as fh:
                    items.extend(parse_ics(fh.read()))
        return items


def parse_ics(text):
    items, item, in_alarm = [], None, False
    for line in unfold(text):
        name, _, value = line.partition(":")
        key = name.split(";")[0].upper()
        if line == "BEGIN:VEVENT":
            item = {"kind": "appointment"}
        elif line == "END:VEVENT":
            items.append(item)
            item = None
        elif line == "BEGIN:VALARM":
            in_alarm = True
        elif line == "END:VALARM":
            in_alarm = False
        elif item is None:
            continue
        elif in_alarm and key == "TRIGGER":
            minutes = value.lstrip("-").replace("PT", "").rstrip("M")
            item["alarm_minutes"] = int(minutes) if minutes.isdigit() else value
        elif key == "SUMMARY":
            item["subject"] = ical_text(value)
        elif key == "DESCRIPTION" and not in_alarm:
            item["body"] = ical_text(value)
        elif key == "LOCATION":
            item["location"] = ical_text(value)
        elif key in ("DTSTART", "DTEND"):
            item["start" if key == "DTSTART" else "end"] = ical_utc(value)
        elif key == "RRULE":
            item["rrule"] = value
    return items


def extractor_items(pst, timeout):
    items = []
    for raw in run_script("pst_extractor_calendar.js", pst, timeout):
        cls = raw.get("message_class") or ""
        kind = "appointment" if cls.startswith("IPM.Appointment") else "task" if cls.startswith("IPM.Task") else None
        if kind:
            raw["kind"] = kind
            items.append(raw)
    return items


READERS = {"readpst": readpst_items, "pstextractor": extractor_items}
# What each reader can show; other expected fields are not compared for it.
SHOWS = {
    "readpst": {"kind", "start", "end", "location", "body", "rrule", "alarm_minutes"},
    "pstextractor": {"kind", "start", "end", "location", "body", "busy_status", "all_day", "recurring",
                     "status", "percent", "complete", "attachments", "start_date", "due_date"},
}


def normalize(field, value):
    if field in ("body", "location") and value is None:
        return ""  # readpst leaves out an empty DESCRIPTION or LOCATION
    if field == "body":
        return "\n".join(l.rstrip() for l in value.replace("\r\n", "\n").split("\n")).rstrip()
    return value


def compare(reader, expected, got):
    problems = []
    by_subject = {}
    for item in got:
        by_subject.setdefault(item.get("subject"), []).append(item)
    for exp in expected:
        if reader == "readpst" and exp.get("kind") != "appointment":
            continue
        candidates = by_subject.get(exp["subject"], [])
        if not candidates:
            problems.append("%s: %r: missing" % (reader, exp["subject"]))
            continue
        item = candidates.pop(0)
        for field, value in exp.items():
            if field == "subject" or field not in SHOWS[reader]:
                continue
            if normalize(field, value) != normalize(field, item.get(field)):
                problems.append("%s: %r: %s: expected %r, got %r" % (
                    reader, exp["subject"], field, value, item.get(field)))
    for subject, rest in by_subject.items():
        for item in rest:
            if reader != "readpst" or item.get("kind") == "appointment":
                problems.append("%s: %r: not expected" % (reader, subject))
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    c = sub.add_parser("compare")
    c.add_argument("pst")
    c.add_argument("expected")
    d = sub.add_parser("dump")
    d.add_argument("reader", choices=sorted(READERS))
    d.add_argument("pst")
    for p in (c, d):
        p.add_argument("--timeout", type=float, default=300)
    args = parser.parse_args(argv)
    if args.command == "dump":
        json.dump(READERS[args.reader](args.pst, args.timeout), sys.stdout, ensure_ascii=False, indent=1)
        print()
        return 0
    with open(args.expected, encoding="utf-8") as fh:
        expected = json.load(fh)
    problems = []
    for reader, read in READERS.items():
        try:
            problems += compare(reader, expected, read(args.pst, args.timeout))
        except (OSError, RuntimeError, subprocess.SubprocessError, ValueError) as err:
            problems.append("%s: reader failed: %s" % (reader, err))
    for line in problems:
        print(line)
    if problems:
        return 1
    print("%s: readpst and pst-extractor agree with %d expected items" % (args.pst, len(expected)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
