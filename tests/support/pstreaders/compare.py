"""Compares one reader's normalized dump with an expected dump (only the fields it names)."""

import re

# Fields a reader never shows: expected values for them are not compared.
UNSUPPORTED = {
    "readpst": {"has_attachments", "message_class"},
    "pffexport": {"message_class"},
    "pypff": {"to", "cc", "bcc"},
    "pstextractor": set(),
}
# readpst writes a message's own transport headers when it has them, not the properties.
TRANSPORT_FIELDS = {"sender_name", "sender_email", "to", "cc", "bcc", "date"}
STRING_FIELDS = {"subject", "sender_name", "sender_email", "body", "html"}
# Readers that skip IPM.Post items entirely.
SKIPS_POSTS = {"readpst", "pffexport"}
# Readers that can open attached messages.
OPENS_EMBEDDED = {"readpst", "pffexport"}
# Readers that leave attached messages without a name.
UNNAMED_EMBEDDED = {"readpst", "pffexport"}

_PFF_RENAMED = re.compile(r"[\\/!$%&*+:;<>?@|~\x00-\x1f\x7f]")


def pff_name(name):
    """pffexport's file-name rewrite, applied to the expected side."""
    return None if name is None else _PFF_RENAMED.sub("_", name)


def normalize_text(text):
    if text is None:
        return None
    lines = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    return "\n".join(line.rstrip() for line in lines).rstrip()


def _short(value, limit=300):
    text = repr(value)
    return text if len(text) <= limit else text[:limit] + "...(%d chars)" % len(text)


class Comparison:
    def __init__(self, reader):
        self.reader = reader
        self.problems = []

    def fail(self, where, field, expected, got):
        self.problems.append("%s: %s: %s: expected %s, got %s" % (
            self.reader, " / ".join(where), field, _short(expected), _short(got)))

    # -- folders ---------------------------------------------------------------------------

    def folder_key(self, path):
        if self.reader == "readpst":
            return tuple(path[1:])  # its top directory carries the store name
        if self.reader == "pffexport":
            return tuple(pff_name(p) for p in path)
        return tuple(path)

    def run(self, expected, got):
        got_folders = {}
        for f in got["folders"]:
            got_folders.setdefault(self.folder_key(f["path"]), f)
        expected_keys = set()
        exp_folders = expected["folders"]
        for folder in exp_folders:
            key = self.folder_key(folder["path"])
            expected_keys.add(key)
            where = ["/".join(folder["path"])]
            found = got_folders.get(key)
            if found is None:
                if not self.folder_may_be_missing(folder, exp_folders):
                    self.fail(where, "folder", "present", "missing")
                continue
            if self.reader == "pstextractor" and found.get("content_count") != len(found["messages"]):
                self.fail(where, "PidTagContentCount vs contents rows", len(found["messages"]),
                          found.get("content_count"))
            if "messages" in folder:
                self.messages(where, folder["messages"], found["messages"])
        tops = {self.folder_key(f["path"][:1]) for f in exp_folders if f["path"]}
        for key, f in got_folders.items():
            under_top = any(key[:len(t)] == t for t in tops) or self.reader == "readpst"
            if key not in expected_keys and under_top and f["messages"]:
                self.fail(["/".join(f["path"])], "folder", "absent",
                          "%d unexpected messages" % len(f["messages"]))
        return self.problems

    def folder_may_be_missing(self, folder, all_folders):
        if self.reader != "readpst" or self.visible_messages(folder.get("messages", [])):
            return False
        n = len(folder["path"])
        return not any(f["path"][:n] == folder["path"] and len(f["path"]) > n
                       for f in all_folders)

    # -- messages --------------------------------------------------------------------------

    def visible_messages(self, messages):
        if self.reader not in SKIPS_POSTS:
            return list(messages)
        return [m for m in messages
                if not str(m.get("message_class") or "").startswith("IPM.Post")]

    def messages(self, where, expected, got):
        by_subject = {}
        for m in got:
            by_subject.setdefault(m.get("subject"), []).append(m)
        for m in self.visible_messages(expected):
            candidates = by_subject.get(m.get("subject"), [])
            here = where + ["message %r" % m.get("subject")]
            if not candidates:
                self.fail(here, "message", "present", "missing")
                continue
            self.message(here, m, candidates.pop(0))
        for subject, rest in by_subject.items():
            for _ in rest:
                self.fail(where + ["message %r" % subject], "message", "absent", "extra")

    def message(self, where, exp, got):
        skip = set(UNSUPPORTED[self.reader]) | {"subject", "attachments"}
        if self.reader == "readpst" and got.get("transport_headers"):
            skip |= TRANSPORT_FIELDS
        for field, value in exp.items():
            if field in skip:
                continue
            have = got.get(field)
            if field in ("body", "html"):
                value, have = normalize_text(value), normalize_text(have)
            if field in STRING_FIELDS:
                value, have = value or "", have or ""  # absent and empty read the same
            if field == "sender_email" and self.reader == "readpst" and have == "":
                continue  # readpst prints no address it cannot show as SMTP
            if field == "bcc" and self.reader == "readpst" and got.get(field) is None:
                continue  # headers readpst builds carry no Bcc
            if field in ("to", "cc", "bcc"):
                self.recipients(where, field, value, have)
            elif value != have:
                self.fail(where, field, value, have)
        if "attachments" in exp:
            self.attachments(where, exp["attachments"], got.get("attachments") or [])

    def recipients(self, where, field, expected, got):
        def shape(entries, keys):
            return [tuple((e.get(k) or "").lower() if k == "email" else e.get(k) for k in keys)
                    for e in entries or []]
        # readpst's built headers carry names only: compare the keys the reader shows.
        keys = sorted({k for e in expected or [] for k in e}
                      & ({k for e in got for k in e} if got else {"name", "email"}))
        if shape(expected, keys) != shape(got, keys):
            self.fail(where, field, expected, got)

    # -- attachments -----------------------------------------------------------------------

    def attachments(self, where, expected, got):
        if len(expected) != len(got):
            self.fail(where, "attachment count", len(expected), len(got))
        unnamed, named = [], {}
        for a in got:
            if a.get("name") is None and a.get("embedded"):
                unnamed.append(a)
            else:
                named.setdefault(a.get("name"), []).append(a)
        for exp in expected:
            embedded = exp.get("message") is not None or exp.get("embedded")
            name = pff_name(exp.get("name")) if self.reader == "pffexport" else exp.get("name")
            here = where + ["attachment %r" % exp.get("name")]
            if embedded and self.reader in UNNAMED_EMBEDDED:
                pool = unnamed
            else:
                pool = named.get(name, [])
            if not pool:
                self.fail(here, "attachment", "present", "missing")
                continue
            got_att = pool.pop(0)
            if embedded:
                self.embedded(here, exp, got_att)
                continue
            for field in ("size", "sha256"):
                if field in exp and exp[field] != got_att.get(field):
                    self.fail(here, field, exp[field], got_att.get(field))

    def embedded(self, where, exp, got):
        if not got.get("embedded"):
            self.fail(where, "embedded message", True, False)
        elif exp.get("message") and self.reader in OPENS_EMBEDDED:
            if got.get("message") is None:
                self.fail(where, "embedded message", "readable", None)
            else:
                self.message(where + ["embedded"], exp["message"], got["message"])


def compare(expected, dump):
    return Comparison(dump["reader"]).run(expected, dump)
