#!/usr/bin/python3
"""The round trip against Outlook's own mails: every received mail Outlook stored in the
sample stores, rebuilt as RFC 822 (rebuild_from_samples.py, inputs kept beside this file),
converted with tolvane-convert, and compared property by property, recipient row by
recipient row, attachment by attachment, with what Outlook stored. Every difference is one
named below with its reason, or the test fails; so does a named difference that no longer
occurs, so the list stays true.

  TOLVANE_CONVERT=... TOLVANE_PSTCHECK=... TOLVANE_PST_SAMPLES=... test_against_outlook.py"""
import glob
import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "pst", "messaging"))
import message_tree  # noqa: E402
import rebuild_from_samples as rebuilt  # noqa: E402

SAMPLES = os.environ["TOLVANE_PST_SAMPLES"]
SECOND = 10_000_000  # FILETIME ticks


def same_second(o, u):
    return abs(o - u) < SECOND


def delivered_after(o, u):
    """Outlook's time is Exchange's delivery, a little after the Received line Tolvane reads."""
    return u - SECOND < o < u + 60 * SECOND


def same_words(o, u):
    return o.split() == u.split()


def without_fields(headers, prefixes):
    kept, dropping = [], False
    for line in headers.split("\r\n"):
        if line[:1] not in (" ", "\t"):
            dropping = line.lower().startswith(prefixes)
        if not dropping:
            kept.append(line)
    return "\r\n".join(kept)


EXCHANGE_FIELDS = ("x-ms-exchange-organization-", "x-ms-exchange-forest-")
MIME_FIELDS = ("content-type:", "content-transfer-encoding:", "mime-version:")


def headers_but_exchanges(o, u):
    return without_fields(o, EXCHANGE_FIELDS) == u


def headers_but_exchanges_and_mime(o, u):
    return without_fields(o, EXCHANGE_FIELDS + MIME_FIELDS) == without_fields(u, MIME_FIELDS)


def html_text(value, codepage):
    text = bytes.fromhex(value).decode(rebuilt.CHARSETS.get(codepage, "utf-8"), "replace")
    return re.sub(r"charset=[\w-]+", "charset=", text, flags=re.I).replace("\r\n", "\n")


def later_or_same(o, u):
    return o >= u - SECOND


def one_off(o, u):
    return o.startswith("00000000dca740c8") and u.startswith("00000000812b1fa4")  # EX vs SMTP


class Named:
    """A difference Tolvane makes on purpose. kind: "outlook" Outlook has the property and
    Tolvane does not; "ours" the reverse; "value" both have it, `check` holds between them.
    scope: "all" mails, or "exchange": only mails Exchange made inside its organisation (they
    came as TNEF, their people are directory entries)."""

    def __init__(self, kind, scope, reason, check=None):
        self.kind, self.scope, self.reason, self.check = kind, scope, reason, check
        self.seen = 0


def named(kind, scope, reason, check=None, tags=()):
    entry = Named(kind, scope, reason, check)
    return {tag: entry for tag in tags}


OWNER = ("The mailbox the mail was delivered to: Exchange knows its owner; an exported .eml "
         "names it only in Delivered-To or X-Original-To, which these mails lack (their "
         "Delivered-To names a list), so Tolvane sets no received-by group and no to-me flags.")
EXCHANGE_ONLY = ("Exchange's own bookkeeping of the item (its article number, change keys, "
                 "history, diagnostics): the server keeps it, no MIME form carries it.")
EXCHANGE_SENDER = ("The mail never left Exchange: its people are directory entries (EX), "
                   "which its MIME form names by SMTP address only.")
TNEF = ("The mail came as TNEF (winmail.dat), whose properties Outlook took in; its rebuilt "
        "MIME form holds the bodies and attachments only.")
CLIENT = "What the user did with the item in Outlook (flagged, forwarded, categorised)."

MESSAGE = {}
MESSAGE.update(named("outlook", "all", OWNER, tags=(
    "003F0102", "0040001F", "00430102", "0044001F", "00510102", "00520102", "0075001F",
    "0076001F", "0077001F", "0078001F", "0057000B", "0058000B", "0059000B", "5D07001F",
    "5D08001F", "4034001F", "4035001F")))
MESSAGE.update(named("outlook", "all", EXCHANGE_ONLY, tags=(
    "0E230003", "0E2F0003", "0ECD000B", "0F020040", "0F030102", "0F0A0040", "1015001F",
    "12051002", "12060003", "120B0102", "12130003", "30140102", "3FDF0003", "3FFA001F",
    "3FFB0102", "3FF8001F", "4022001F", "4023001F", "4024001F", "4025001F", "4030001F",
    "4031001F", "4038001F", "4039001F", "65E20102", "65E30102", "6619001F", "0E4D0102",
    "0E4E0102", "0E580102", "0E590102", "0E790003", "30100102", "30150014", "30190102",
    "301B0102", "301C0040", "301D0003", "3FEA000B", "40190003", "401A0003", "401B0003",
    "401C0003", "40760003", "59020003", "59090003", "5D0A001F", "5D0B001F", "5FE5001F",
    "6E010003", "00470102")))
MESSAGE.update(named("outlook", "exchange", TNEF, tags=(
    "0002000B", "0023000B", "002B000B", "002E0003", "00620003", "0063000B", "007F0102",
    "0C17000B", "10090102", "3A40000B", "0E170003")))
MESSAGE.update(named("outlook", "exchange", CLIENT, tags=(
    "0E2B0003", "10800003", "10810003", "10820040", "10900003", "10950003")))
MESSAGE.update(named("value", "exchange", EXCHANGE_SENDER, tags=(
    "003B0102", "00410102", "0064001F", "0065001F", "0C190102", "0C1D0102", "0C1E001F",
    "0C1F001F")))
MESSAGE.update({
    "0E05001F": Named("outlook", "all", "PidTagParentDisplay, the folder's name: the folders "
                      "of a Zimbra export are named after its path, not Outlook's Inbox."),
    "0E04001F": Named("value", "all", "The To line as Exchange resolved it against its "
                      "directory (the owner's name for the owner's address); Tolvane shows "
                      "what the header says."),
    "0E060040": Named("value", "all", "Outlook's delivery time is the moment Exchange put the "
                      "mail in the mailbox, to 100 ns; Tolvane's is the topmost Received "
                      "header's, to the second, which may be a second or two earlier.",
                      delivered_after),
    "30070040": Named("value", "all", "Created at delivery, as Outlook's: see "
                      "PidTagMessageDeliveryTime.", delivered_after),
    "30080040": Named("value", "all", "Outlook's changes when the user changes the item "
                      "there (marks it read, moves it); Tolvane's item was never changed after "
                      "delivery.", later_or_same),
    "0E080003": Named("value", "all", "PidTagMessageSize counts the bytes of the stored "
                      "item, which holds the properties named here that only one side has.",
                      lambda o, u: u > 0),
    "300B0102": Named("value", "all", "PidTagSearchKey: a value the store makes unique to "
                      "the item, at random."),
    "00710102": Named("value", "all", "Exchange derives its own conversation index when the "
                      "mail has no Thread-Index; Tolvane's comes from the mail's Message-IDs, "
                      "so every message of a thread in one export shares its header block.",
                      lambda o, u: len(u) >= 44 and u.startswith("01")),
    "007D001F": Named("value", "all", "MS-OXCMAIL 2.2.3.2.28: a MIME reader leaves out the "
                      "X-MS-Exchange-Organization-* and -Forest-* fields; the Exchange that "
                      "delivered these mails wrote them itself.", headers_but_exchanges),
    "1000001F": Named("value", "all", "Tolvane joins the soft breaks of format=flowed text "
                      "(RFC 3676 §4.2), so paragraphs wrap to the window, and ends lines with "
                      "CRLF; the words are Outlook's.", same_words),
    "3FFD0003": Named("value", "all", "PidTagMessageCodepage: Outlook writes its ANSI code "
                      "page; Tolvane the body's, since libpst decodes the body by this one.",
                      lambda o, u: u in (20127, 28591, 65001)),
    "0E070003": Named("value", "exchange", "Exchange marks a mail the owner sent to "
                      "themselves 'from me' (0x20); Tolvane cannot tell who the owner is.",
                      lambda o, u: o & ~0x20 == u),
})
# Exchange's TNEF mails only: the bodies came in RTF and HTML from TNEF.
EXCHANGE_MESSAGE = {
    "007D001F": Named("value", "exchange", "Besides the Exchange fields, the rebuilt form "
                      "describes its MIME parts, not the TNEF the mail came as.",
                      headers_but_exchanges_and_mime),
    "10130102": Named("value", "exchange", "Tolvane stores HTML as UTF-8 with its <meta> "
                      "charset saying so, so bytes and code page always agree; the text is "
                      "Outlook's.", lambda o, u: html_text(o, 20127) == html_text(u, 65001)),
    "3FDE0003": Named("value", "exchange", "PidTagInternetCodepage of HTML stored as UTF-8.",
                      lambda o, u: u == 65001),
    "10160003": Named("any", "exchange", "PidTagNativeBody: the TNEF body was RTF, which no "
                      "MIME part carries; Tolvane's native body is the HTML or text it has.",
                      lambda o, u: u in (1, 3)),
    "0C06000B": Named("ours", "exchange", "Outlook's form writes 'no non-receipt notification' "
                      "on the mails it takes in from MIME; TNEF ones carried their own."),
}

COMMON = "{00062008-0000-0000-C000-000000000046}"
NAMED = {}
NAMED.update(named("ours", "all", "The defaults of Outlook's mail form (no reminder, not "
                   "private, no side effects, no TNEF, no visible attachment): Outlook writes "
                   "them on the mails it takes in itself and on attached messages; these were "
                   "delivered by Exchange's transport, which does not.", tags=(
                       "0x8501@" + COMMON, "0x8503@" + COMMON, "0x8506@" + COMMON,
                       "0x850E@" + COMMON, "0x8510@" + COMMON, "0x8514@" + COMMON,
                       "0x8518@" + COMMON, "0x8582@" + COMMON)))
NAMED.update(named("outlook", "all", "The internet account that downloaded the mail: Outlook's "
                   "own, unknown to an export.", tags=("0x8580@" + COMMON, "0x8581@" + COMMON)))
NAMED["0x8514@" + COMMON] = Named("any", "all", "PidLidSmartNoAttach: Tolvane always says "
                                  "whether the user sees an attachment; Exchange's transport "
                                  "leaves it out.")


def header_named(name):
    return name.endswith("@{00020386-0000-0000-C000-000000000046}")


GENERIC_HEADER = Named("outlook", "all", "MS-OXCMAIL 2.2.3.2.29 lets a reader copy every other "
                       "header into a named property; Tolvane keeps them in the transport "
                       "headers only, since arbitrary names would fill the store's map of "
                       "named properties (ids 0x8000-0xFFFE) over a large archive.")
EXCHANGE_NAMED = Named("outlook", "all", "Exchange's and Outlook's own analyses of the mail "
                       "(clutter, inference, extracted addresses, language, safety, sharing): "
                       "made by the server, carried by no MIME form.")
CLIENT_NAMED = Named("outlook", "exchange", CLIENT)
EXCHANGE_SETS = ("{23239608-", "{41F28F13-", "{33EBA41F-", "{0B63E350-", "{403FC56B-")
CLIENT_LIDS = ("0x8101@", "0x8102@", "0x8104@", "0x8105@", "0x811C@", "0x8516@", "0x8517@",
               "0x8530@", "0x85A0@", "0x85A1@", "0x85A4@", "Keywords@", "0x232A@")

RECIPIENT = {}
RECIPIENT.update(named("value", "all", EXCHANGE_SENDER + " Exchange resolved this one.",
                       tags=("0FFF0102", "0FF90102", "3001001F", "3002001F", "3003001F",
                             "300B0102", "39FE001F", "3A20001F", "3A40000B", "5FF70102")))
RECIPIENT.update(named("outlook", "all", EXCHANGE_SENDER + " Directory data of the entry.",
                       tags=("0C240102", "0C250102", "39050003", "5FE5001F", "39FF001F",
                             "3A00001F", "3D010102", "5FDE0003", "5FEB0003", "5FEF0003",
                             "5FF20003", "5FF50003", "5FF6001F", "3A710003")))
RECIPIENT.update(named("outlook", "exchange", "Exchange's rows of its own mail carry the "
                       "order and tracking state of its sending; Outlook's rows of a mail "
                       "received from the internet have neither.", tags=("5FDF0003", "5FFF0003")))
RECIPIENT.update(named("value", "all", "The table's own row ids and versions, which each store "
                       "numbers as it likes.", tags=("67F20003", "67F30003")))
RECIPIENT["0FF90102"] = Named("any", "all", EXCHANGE_SENDER + " Exchange's rows of its own "
                              "mail carry no record key.")

ATTACHMENT = {
    "0E200003": Named("value", "all", "PidTagAttachSize counts the stored attachment's bytes.",
                      lambda o, u: u > 0),
    "3701000D": Named("value", "all", "The attached message's node and size, the store's own.",
                      lambda o, u: u["size"] > 0),
    "37020102": Named("outlook", "exchange", TNEF + " (an empty encoding)"),
    "37090102": Named("outlook", "exchange", TNEF + " (the icon Outlook drew for it)"),
    "3704001F": Named("any", "exchange", "The 8.3 name came with the TNEF, in Outlook's case; "
                      "Tolvane makes one in capitals, as Windows does, and none for a message."),
    "370E001F": Named("ours", "exchange", "A MIME part has a type: the rebuilt one says "
                      "application/octet-stream where the TNEF said none."),
    "30070040": Named("value", "all", "A file's dates as the rebuilt part's creation-date and "
                      "modification-date (RFC 2183) carry them, to the second; an attached "
                      "message's, which MIME cannot date, the moment its message was created, "
                      "a few seconds after the sender attached it.", lambda o, u: same_second(
                          o, u) or 0 <= u - o < 60 * SECOND),
    "30080040": Named("value", "all", "As PidTagCreationTime.",
                      lambda o, u: same_second(o, u) or 0 <= u - o < 60 * SECOND),
}


def exchange_internal(message):
    return "application/ms-tnef" in message["props"].get("007D001F", "").lower()


class Comparison:
    def __init__(self):
        self.problems = []

    def props(self, where, outlook, ours, table, exchange, extra=None):
        for tag in sorted(set(outlook) | set(ours)):
            o, u = outlook.get(tag), ours.get(tag)
            if o == u:
                continue
            kind = "outlook" if u is None else "ours" if o is None else "value"
            entry = (extra or {}).get(tag) if exchange else None
            entry = entry or table(tag) if callable(table) else entry or table.get(tag)
            if entry is None or entry.kind not in (kind, "any") or \
                    (entry.scope == "exchange" and not exchange) or \
                    (kind == "value" and entry.check and not entry.check(o, u)):
                self.problems.append("%s %s: Outlook %.120r, Tolvane %.120r" % (where, tag, o, u))
            else:
                entry.seen += 1

    def message(self, where, outlook, ours, exchange):
        self.props(where, outlook["props"], ours["props"], MESSAGE, exchange, EXCHANGE_MESSAGE)
        self.props(where + " named", {k: v[1] for k, v in outlook["named"].items()},
                   {k: v[1] for k, v in ours["named"].items()}, named_entry, exchange)
        if len(outlook["recipients"]) != len(ours["recipients"]):
            self.problems.append("%s: %d recipients, Tolvane %d" % (
                where, len(outlook["recipients"]), len(ours["recipients"])))
        for i, (o, u) in enumerate(zip(outlook["recipients"], ours["recipients"])):
            self.props("%s recipient %d" % (where, i), o, u, RECIPIENT, exchange)
        if len(outlook["attachments"]) != len(ours["attachments"]):
            self.problems.append("%s: %d attachments, Tolvane %d" % (
                where, len(outlook["attachments"]), len(ours["attachments"])))
        for i, (o, u) in enumerate(zip(outlook["attachments"], ours["attachments"])):
            self.props("%s attachment %d" % (where, i), o["props"], u["props"], ATTACHMENT,
                       exchange)
            if o["message"] and u["message"]:
                self.message("%s attachment %d message" % (where, i), o["message"],
                             u["message"], exchange)
            elif o["message"] or u["message"]:
                self.problems.append("%s attachment %d: a message on one side only" % (where, i))


def named_entry(name):
    if name in NAMED:
        return NAMED[name]
    if header_named(name):
        return GENERIC_HEADER
    if name.startswith(CLIENT_LIDS):
        return CLIENT_NAMED
    if any(s in name for s in EXCHANGE_SETS) or name.split("@")[0] in (
            "CurrentMessageSafetyFlags", "DirectDeliveryRequestor", "ExchangeApplicationFlags",
            "ItemExchangeDiagnostics", "NetworkMessageId", "PropertyExistenceTracker") or \
            name.startswith(("0x8552@", "0x8554@", "0x85D8@", "0x85EB@", "0x8596@")):
        return EXCHANGE_NAMED
    return None


def received(path):
    return [m for m in message_tree.messages(path) if m["props"].get("007D001F")]


class AgainstOutlook(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.inputs = sorted(glob.glob(os.path.join(HERE, "*.eml")))
        cls.work = tempfile.TemporaryDirectory()
        result = subprocess.run([os.environ["TOLVANE_CONVERT"], "--dest", cls.work.name, HERE],
                                capture_output=True, text=True, timeout=600)
        cls.convert = result
        cls.pst = result.stdout.strip().splitlines()[-1] if result.stdout.strip() else ""

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_every_received_mail_of_the_samples_has_its_input(self):
        expected = []
        for sample in rebuilt.SAMPLES:
            stem = sample[:-len(".pst")]
            found = received(os.path.join(SAMPLES, sample))
            self.assertTrue(found, sample)
            expected += ["%s-%d.eml" % (stem, n + 1) for n in range(len(found))]
        self.assertEqual([os.path.basename(p) for p in self.inputs], sorted(expected))

    def test_converts_into_a_sound_store(self):
        self.assertEqual(self.convert.returncode, 0, self.convert.stderr)
        check = subprocess.run([os.environ["TOLVANE_PSTCHECK"], "--strict", self.pst],
                               capture_output=True, text=True, timeout=600)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_every_property_is_outlooks_or_a_named_difference(self):
        self.assertEqual(self.convert.returncode, 0, self.convert.stderr)
        ours = {m["props"].get("1035001F"): m for m in message_tree.messages(self.pst)}
        comparison = Comparison()
        compared = 0
        for sample in rebuilt.SAMPLES:
            for outlook in received(os.path.join(SAMPLES, sample)):
                message_id = outlook["props"]["1035001F"]
                if message_id not in ours:
                    comparison.problems.append("%s: %s not converted" % (sample, message_id))
                    continue
                comparison.message("%s %s" % (sample, message_id), outlook, ours[message_id],
                                   exchange_internal(outlook))
                compared += 1
        self.assertEqual(compared, len(self.inputs))
        self.assertEqual(comparison.problems, [])
        entries = set()
        for table in (MESSAGE, EXCHANGE_MESSAGE, NAMED, RECIPIENT, ATTACHMENT):
            entries |= {(id(e), e.reason) for e in table.values() if not e.seen}
        for extra in (GENERIC_HEADER, EXCHANGE_NAMED, CLIENT_NAMED):
            if not extra.seen:
                entries.add((id(extra), extra.reason))
        self.assertEqual(sorted(reason for _, reason in entries), [],
                         "named differences that no longer occur")


if __name__ == "__main__":
    unittest.main(verbosity=2)
