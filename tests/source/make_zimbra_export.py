#!/usr/bin/env python3
"""Writes archives in the layout of Zimbra's mailbox export (Preferences > Import/Export).

The layout follows Zimbra's exporter, ArchiveFormatter.formatCallback and saveItem:
- entry order: every folder, then search folders, tags and mount points, each sorted by path
  and name; then the items in search order (here: by id, which interleaves folders);
- a .meta entry (ItemData as one line of compact JSON) written just before each item, named
  like it with ".meta" added; folders, tags and contacts without a blob are a .meta alone;
- entry names: the folder's path without its leading '/', with : * ? " < > | and NUL as '_';
  from a folder's 500th item on the folder part becomes "Folder!1", from its 1000th "Folder!2"
  (the count starts at 1 when a folder is first met, and items, not folders, add to it); the
  file part is the 10-digit id, '-' and the subject (or name), cut to 120 UTF-16 units when
  longer than 121, with / : * ? " < > | and NUL as '_', trimmed, trailing dots removed;
  contacts are named by their file-as string with no id and no sanitising, "-01"... on a
  clash; documents by their own name;
- tgz and tar: meta on, GNU long names, group name = type name, major device = type byte,
  the .meta of a message with (almost) any flag loses its owner-write bit; zip: meta off,
  contacts as .vcf, appointments as .ics, tasks as .task holding iCalendar, entries deflated
  with data descriptors and the type name as comment.

Read from Zimbra's source (ArchiveFormatter, TarArchiveOutputStream, ZipFormatter, ItemData,
Metadata, BEncoding): all of the above, the .meta keys and the bencoded "metadata" dialect.
Assumed, not read: the roots' paths ("/" for ROOT and USER_ROOT), the exact contents of each
item's "metadata" beyond vt, c, fld and v, an .appt/.task blob's shape (a MIME message with
the invite as a text/calendar part), and the .meta key order (Zimbra's JSONObject keeps none).

Options write the damaged and hostile archives the reader must survive. Run with --help.
"""

import argparse
import io
import json
import os
import random
import re
import struct
import sys
import tarfile
import time
import zipfile
import zlib

# Zimbra's item type bytes (MailItem.Type) and their names (Type.toString()).
FOLDER, SEARCHFOLDER, TAG, MESSAGE, CONTACT, DOCUMENT, APPOINTMENT, MOUNTPOINT, TASK = (
    1, 2, 3, 5, 6, 8, 11, 13, 15)
TYPE_NAMES = {FOLDER: "folder", SEARCHFOLDER: "search", TAG: "tag", MESSAGE: "message",
              CONTACT: "contact", DOCUMENT: "document", APPOINTMENT: "appointment",
              MOUNTPOINT: "mountpoint", TASK: "task"}

# Flag bits (1 << (-id - 1)) and FlagStr letters, in Flag.java's order.
FLAGS = [(0x1, "s"), (0x2, "a"), (0x4, "r"), (0x8, "w"), (0x10, ""), (0x20, "f"), (0x40, "d"),
         (0x80, "x"), (0x100, "n"), (0x200, "u"), (0x400, "!"), (0x800, "?")]
FROM_ME, ATTACHED, REPLIED, FORWARDED, FLAGGED, DRAFT, HIGH, LOW = (
    0x1, 0x2, 0x4, 0x8, 0x20, 0x40, 0x400, 0x800)
UNREAD = 0x200
ID_UNREAD = -10  # the flag id the exporter's unread test masks with, by mistake

BATCH = 500
ILLEGAL_FILE_CHARS = re.compile(r'[/:*?"<>|\x00]')
ILLEGAL_FOLDER_CHARS = re.compile(r'[:*?"<>|\x00]')
FIRST_DATE = 1_700_000_000  # seconds; items are a minute apart


# ---- Zimbra's encodings -----------------------------------------------------------------

def java_length(text):
    """Length in UTF-16 code units, as Java's String.length()."""
    return len(text.encode("utf-16-le", "surrogatepass")) // 2


def bencode(value):
    """BEncoding.encode: string lengths in Java chars, dictionary keys sorted as Java sorts."""
    if isinstance(value, dict):
        keys = sorted(value, key=lambda k: str(k).encode("utf-16-be", "surrogatepass"))
        return "d" + "".join(bencode(str(k)) + bencode(value[k]) for k in keys) + "e"
    if isinstance(value, list):
        return "l" + "".join(bencode(v) for v in value) + "e"
    if isinstance(value, bool):
        value = str(value).lower()
    if isinstance(value, int):
        return "i%de" % value
    value = str(value)
    return "%d:%s" % (java_length(value), value)


def metadata(fields):
    """Metadata.toString(): the fields plus the legacy version v=10."""
    return bencode(dict(fields, v=10))


def json_quote(text):
    """org.json's JSONObject.quote."""
    out = ['"']
    previous = ""
    for c in text:
        if c in '\\"':
            out.append("\\" + c)
        elif c == "/":
            out.append("\\/" if previous == "<" else "/")
        elif c in "\b\t\n\f\r":
            out.append({"\b": "\\b", "\t": "\\t", "\n": "\\n", "\f": "\\f", "\r": "\\r"}[c])
        elif c < " " or "\u0080" <= c < "\u00a0" or "\u2000" <= c < "\u2100":
            out.append("\\u%04x" % ord(c))
        else:
            out.append(c)
        previous = c
    out.append('"')
    return "".join(out)


def json_object(pairs):
    """JSONObject.toString() of the pairs, compact, in the order given."""
    parts = []
    for key, value in pairs:
        text = json_quote(value) if isinstance(value, str) else str(int(value))
        parts.append(json_quote(key) + ":" + text)
    return "{" + ",".join(parts) + "}"


def flag_string(flags, unread):
    bits = flags | (UNREAD if unread else 0)
    return "".join(letter for bit, letter in FLAGS if bits & bit and letter)


def tag_string(names):
    """ItemData.getTagString: names joined by ':', '\\' and ':' escaped."""
    return ":".join(n.replace("\\", "\\\\").replace(":", "\\:") for n in names)


def java_text(text):
    """What String.getBytes("UTF-8") makes of a lone surrogate: '?'."""
    return re.sub("[\ud800-\udfff]", "?", text)


def java_trim(text):
    return text.strip("".join(chr(c) for c in range(0x21)))


# ---- The mailbox ------------------------------------------------------------------------

class Folder:
    def __init__(self, id, name, parent, view=MESSAGE, colour=None, kind=FOLDER):
        self.id, self.name, self.parent, self.view, self.colour = id, name, parent, view, colour
        self.type = kind


class Item:
    def __init__(self, id, type, folder, subject="", flags=0, unread=False, tags=(), blob=None,
                 name="", fields=None, date=None, ical=None, normalized=None):
        self.id, self.type, self.folder, self.subject = id, type, folder, subject
        self.flags, self.unread, self.tags, self.blob, self.name = flags, unread, list(tags), blob, name
        self.fields, self.ical = fields, ical
        self.date = date if date is not None else FIRST_DATE + 60 * id
        self.normalized = normalized if normalized is not None else normalize_subject(subject)


def normalize_subject(subject):
    """The .meta keeps the subject with reply and forward prefixes taken off."""
    while True:
        stripped = re.sub(r"^\s*(re|fwd?|aw|tr)\s*:\s*", "", subject, flags=re.I)
        if stripped == subject:
            return subject
        subject = stripped


class Mailbox:
    def __init__(self, desktop=False):
        self.folders = {}
        self.tags = []
        self.items = []
        self.next_id = 257
        for id, name, parent, view in [
                (11, "ROOT", 11, 0), (1, "USER_ROOT", 11, 0), (2, "Inbox", 1, MESSAGE),
                (3, "Trash", 1, 0), (4, "Junk", 1, MESSAGE), (5, "Sent", 1, MESSAGE),
                (6, "Drafts", 1, MESSAGE), (7, "Contacts", 1, CONTACT), (8, "Tags", 11, TAG),
                (9, "Conversations", 11, 4), (10, "Calendar", 1, APPOINTMENT),
                (13, "Emailed Contacts", 1, CONTACT), (14, "Chats", 1, MESSAGE),
                (15, "Tasks", 1, TASK), (16, "Briefcase", 1, DOCUMENT)]:
            self.folders[id] = Folder(id, name, parent, view)
        if desktop:
            self.folders[254] = Folder(254, "Outbox", 1, MESSAGE)

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def folder(self, name, parent, view=MESSAGE, colour=None):
        folder = Folder(self.new_id(), name, parent, view, colour)
        self.folders[folder.id] = folder
        return folder.id

    def tag(self, name, colour):
        self.tags.append(Folder(self.new_id(), name, 8, TAG, colour, kind=TAG))

    def add(self, type, folder, **kw):
        item = Item(self.new_id(), type, folder, **kw)
        self.items.append(item)
        return item

    def path(self, folder_id):
        """Folder.getPath(): "/" for the roots."""
        if folder_id in (1, 11):
            return "/"
        folder = self.folders[folder_id]
        parent = self.path(folder.parent)
        return parent + ("" if parent == "/" else "/") + folder.name

    def item_path(self, item):
        """MailItem.getPath(): the folder's path and the item's name (empty for mail)."""
        parent = self.path(item.folder)
        name = item.name if item.type == DOCUMENT else ""
        return parent + ("" if parent.endswith("/") else "/") + name


def message_blob(id, subject, sender="anna@example.com", to="me@example.com", body=None,
                 date=None):
    date = date or FIRST_DATE + 60 * id
    stamp = time.strftime("%a, %d %b %Y %H:%M:%S +0000", time.gmtime(date - 30))
    body = body if body is not None else "Message %d.\r\nSecond line of the body.\r\n" % id
    return ("Return-Path: <%s>\r\nReceived: from mx.example.com by mail.example.com; %s\r\n"
            "From: Anna <%s>\r\nTo: <%s>\r\nSubject: %s\r\nDate: %s\r\n"
            "Message-ID: <m%d@example.com>\r\nMIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=utf-8\r\n\r\n%s"
            % (sender, stamp, sender, to, subject, stamp, id, body)).encode("utf-8")


def calendar_text(uid, summary, component="VEVENT"):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:Zimbra-Calendar-Provider\r\n"
            "BEGIN:%s\r\nUID:%s\r\nSUMMARY:%s\r\nDTSTART:20240105T100000Z\r\n"
            "DTEND:20240105T110000Z\r\nEND:%s\r\nEND:VCALENDAR\r\n"
            % (component, uid, summary, component)).encode("utf-8")


def calendar_blob(id, summary, component="VEVENT"):
    """A calendar item's blob: Zimbra's stored MIME, the invite as a text/calendar part."""
    ical = calendar_text("uid-%d" % id, summary, component).decode()
    return ("Content-Type: multipart/alternative; boundary=\"b%d\"\r\n\r\n--b%d\r\n"
            "Content-Type: text/calendar; charset=utf-8; method=PUBLISH\r\n\r\n%s\r\n--b%d--\r\n"
            % (id, id, ical, id)).encode("utf-8")


BERLIN = ("BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:16010101T030000\r\n"
          "TZOFFSETTO:+0100\r\nTZOFFSETFROM:+0200\r\n"
          "RRULE:FREQ=YEARLY;WKST=MO;INTERVAL=1;BYMONTH=10;BYDAY=-1SU\r\nTZNAME:CET\r\n"
          "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:16010101T020000\r\nTZOFFSETTO:+0200\r\n"
          "TZOFFSETFROM:+0100\r\nRRULE:FREQ=YEARLY;WKST=MO;INTERVAL=1;BYMONTH=3;BYDAY=-1SU\r\n"
          "TZNAME:CEST\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n")


def calendar_of(component, lines, zone=""):
    """A calendar with one component of the given property lines, as Zimbra writes one."""
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:Zimbra-Calendar-Provider\r\n%s"
            "BEGIN:%s\r\n%sEND:%s\r\nEND:VCALENDAR\r\n"
            % (zone, component, "".join(l + "\r\n" for l in lines), component)).encode("utf-8")


def mime_of_calendar(id, ical):
    """A calendar item's blob: Zimbra's stored MIME, the invite as a text/calendar part."""
    return ("Content-Type: multipart/alternative; boundary=\"b%d\"\r\n\r\n--b%d\r\n"
            "Content-Type: text/calendar; charset=utf-8; method=PUBLISH\r\n\r\n%s\r\n--b%d--\r\n"
            % (id, id, ical.decode("utf-8"), id)).encode("utf-8")


def rest_mailbox():
    """Contacts, a contact group, appointments and tasks in Zimbra's own folders and in
    folders of the user's, beside one message and one document."""
    box = Mailbox()
    family = box.folder("Family", 7, view=CONTACT)
    clients = box.folder("Clients", 1, view=CONTACT)
    holidays = box.folder("Holidays", 1, view=APPOINTMENT)
    errands = box.folder("Errands", 1, view=TASK)
    box.folder("Old", 10, view=0)  # below Calendar, no view of its own: a calendar too

    def contact(folder, file_as, **fields):
        return box.add(CONTACT, folder, name=file_as, subject=file_as, fields=fields)

    def calendar(type, folder, subject, lines, zone=""):
        item = box.add(type, folder, subject=subject)
        uid = "uid-%d" % item.id
        item.ical = calendar_of("VTODO" if type == TASK else "VEVENT",
                                ["UID:" + uid, "SUMMARY:" + subject,
                                 "DTSTAMP:20231201T120000Z"] + lines, zone)
        item.blob = mime_of_calendar(item.id, item.ical)
        return item

    mail = box.add(MESSAGE, 2, subject="Plain mail")
    mail.blob = message_blob(mail.id, "Plain mail")
    john = contact(7, "Smith, John", firstName="John", lastName="Smith",
                   email="john@example.com", email2="js@example.org", workPhone="+49 30 1234",
                   mobilePhone="+49 170 555", company="Acme")
    contact(family, "Doe, Jane", firstName="Jane", lastName="Doe", email="jane@example.net",
            homePhone="+49 89 777")
    contact(clients, "Client, Carl", firstName="Carl", lastName="Client", email="carl@client.example")
    contact(13, "bob@example.org", email="bob@example.org")
    members = bencode({"m": [{"t": "C", "v": str(john.id)},
                             {"t": "I", "v": "Carol <carol@example.org>"}]})
    contact(7, "Friends", type="group", fileAs="8:Friends", nickname="Friends",
            groupMember=members)
    calendar(APPOINTMENT, 10, "Weekly sync",
             ["LOCATION:Room 4", "DTSTART;TZID=\"Europe/Berlin\":20240108T090000",
              "DTEND;TZID=\"Europe/Berlin\":20240108T093000", "RRULE:FREQ=WEEKLY;COUNT=6;BYDAY=MO"],
             BERLIN)
    calendar(APPOINTMENT, 10, "Dentist",
             ["DTSTART:20240115T140000Z", "DTEND:20240115T150000Z"])
    calendar(APPOINTMENT, holidays, "Trip to Rome",
             ["DTSTART:20240601T060000Z", "DTEND:20240601T100000Z"])
    calendar(TASK, 15, "File taxes",
             ["DTSTART:20240401T080000Z", "DUE:20240430T160000Z", "STATUS:IN-PROCESS",
              "PERCENT-COMPLETE:50"])
    calendar(TASK, errands, "Buy milk",
             ["DUE:20240110T170000Z", "STATUS:COMPLETED", "PERCENT-COMPLETE:100",
              "COMPLETED:20240110T120000Z"])
    doc = box.add(DOCUMENT, 16, name="notes.txt", subject="notes.txt")
    doc.blob = b"A Briefcase document.\n"
    return box


def sample_mailbox(desktop=False):
    """A mailbox with every state, folder kind and name the reader must keep."""
    box = Mailbox(desktop)
    projects = box.folder("Projects", 2, colour=3)
    deep = box.folder("Deep", projects)
    odd = box.folder('Work: 2024? "plans" <a|b>', 1)
    box.folder("Family", 7, view=CONTACT)
    box.tag("Important", 6)
    box.tag("a:b\\c", 0x1FF8800)
    box.tag("Family", 2)

    def mail(folder, subject, **kw):
        item = box.add(MESSAGE, folder, subject=subject, **kw)
        item.blob = kw.get("blob") or message_blob(item.id, subject)
        return item

    mail(2, "Unread hello", unread=True)
    mail(2, "Read plain")
    mail(2, "Flagged one", flags=FLAGGED)
    mail(2, "Re: quarterly figures", flags=REPLIED)
    mail(2, "Fwd: minutes", flags=FORWARDED, unread=True)
    mail(2, "Urgent thing", flags=HIGH)
    mail(2, "Bulk thing", flags=LOW)
    mail(2, "Tagged twice", tags=["Important", "a:b\\c"])
    mail(2, "All at once", flags=FLAGGED | REPLIED | FORWARDED | HIGH, unread=True,
         tags=["Family"])
    mail(6, "Unsent draft", flags=DRAFT | FROM_ME)
    mail(5, "Sent by me", flags=FROM_ME)
    mail(3, "Thrown away")
    mail(4, "Spam offer", unread=True)
    mail(projects, "In a subfolder", unread=True)
    mail(deep, "Two levels down")
    mail(odd, "In the odd folder")
    mail(2, 'Chars : * ? " < > | / and \\ back')
    mail(2, "Trailing dots...")
    mail(2, "")
    mail(2, "Long " + "x" * 103 + "\U0001F600 tail beyond the cut")
    if desktop:
        mail(254, "Waiting to be sent", flags=DRAFT | FROM_ME)
    box.add(CONTACT, 7, name="Smith, John", subject="John Smith",
            fields={"firstName": "John", "lastName": "Smith", "email": "john@example.com",
                    "fileAs": "1", "company": "Ünïcode GmbH 😀"})
    box.add(CONTACT, 7, name="smith, john", subject="Other John",
            fields={"firstName": "Other", "email": "other@example.com"})
    photo = box.add(CONTACT, 7, name="With Photo", subject="With Photo",
                    fields={"firstName": "Photo", "image": "1"})
    photo.blob = b"\x89PNG\r\n\x1a\nnot really a picture"
    appt = box.add(APPOINTMENT, 10, subject="Team meeting")
    appt.blob = calendar_blob(appt.id, "Team meeting")
    task = box.add(TASK, 15, subject="Buy milk")
    task.blob = calendar_blob(task.id, "Buy milk", "VTODO")
    doc = box.add(DOCUMENT, 16, name="report.txt", subject="report.txt")
    doc.blob = b"A Briefcase document.\n"
    return box


def bulk_mailbox(messages, folders=4, body_size=1500):
    """`messages` mails, five in eight in Inbox, the rest over a few subfolders, in id order
    across folders. Bodies are drawn from 512 paragraphs of made-up words, so the archive
    compresses about as well as real mail does."""
    box = Mailbox()
    targets = [2] + [box.folder("Folder %d" % i, 2 if i % 2 else 1) for i in range(folders - 1)]
    words = random.Random(7)
    vocabulary = ["".join(words.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(
        words.randint(2, 10))) for _ in range(4000)]
    paragraphs = []
    for _ in range(512):
        text = ""
        while len(text) < body_size:
            line = " ".join(words.choice(vocabulary) for _ in range(12))
            text += line[:76] + "\r\n"
        paragraphs.append(text[:body_size])
    for n in range(messages):
        folder = 2 if n % 2 == 0 else targets[(n // 2) % len(targets)]
        item = box.add(MESSAGE, folder, subject="Bulk message %d" % n,
                       unread=n % 4 == 0, flags=FLAGGED if n % 7 == 0 else 0)
        item.blob = message_blob(item.id, item.subject, body=paragraphs[n % len(paragraphs)])
    return box


# ---- The exporter -----------------------------------------------------------------------

class Entry:
    """One archive entry: its name, its bytes (or a count of zero bytes), its attributes."""

    def __init__(self, name, data, type, date, mode=0o644, zeros=0):
        self.name, self.data, self.type, self.date, self.mode = name, data, type, date, mode
        self.zeros = zeros

    @property
    def size(self):
        return len(self.data) + self.zeros


def item_meta(box, item):
    """ItemData.toJSON for an item."""
    if item.type == CONTACT:
        md = metadata({"fld": item.fields})
    elif item.type in (APPOINTMENT, TASK):
        md = metadata({"inv": [{"uid": "uid-%d" % item.id, "name": item.subject}]})
    else:
        md = metadata({"f": "fragment of %d" % item.id, "s": "anna@example.com"})
    blob = item.blob is not None
    return json_object(
        [("id", item.id), ("uuid", "u-%d" % item.id), ("type", item.type),
         ("parent_id", -item.id if item.type == MESSAGE else -1), ("folder_id", item.folder),
         ("index_id", 0), ("imap_id", item.id), ("date", item.date),
         ("size", len(item.blob) if blob else 0), ("volume_id", 0)]
        + ([("blob_digest", "digest%d" % item.id)] if blob else [])
        + [("unread", 1 if item.unread else 0), ("flags", item.flags),
           ("subject", item.normalized), ("name", item.name), ("metadata", md),
           ("mod_metadata", item.id), ("change_date", item.date + 3600), ("mod_content", item.id),
           ("sender", "anna@example.com"), ("FlagStr", flag_string(item.flags, item.unread)),
           ("Path", box.item_path(item)), ("TagStr", ""), ("TagNames", tag_string(item.tags)),
           ("Ver", 10)])


def folder_meta(box, folder):
    fields = {"vt": folder.view} if folder.view else {}
    if folder.colour is not None:
        fields["c"] = folder.colour
    path = box.path(folder.id) if folder.type != TAG else "/Tags/" + folder.name
    return json_object(
        [("id", folder.id), ("uuid", "u-%d" % folder.id), ("type", folder.type),
         ("parent_id", folder.parent), ("folder_id", folder.parent), ("index_id", 0),
         ("imap_id", folder.id), ("date", FIRST_DATE), ("size", 0), ("volume_id", 0),
         ("unread", 0), ("flags", 0), ("subject", folder.name), ("name", folder.name),
         ("metadata", metadata(fields)), ("mod_metadata", 1), ("change_date", FIRST_DATE),
         ("mod_content", 1), ("FlagStr", ""), ("Path", path), ("TagNames", ""), ("Ver", 10)])


def entry_file_name(id, name, type_name, prefix):
    """getEntryName's file part."""
    if prefix and name:
        name = "%010d-%s" % (id, name)
    if not name:
        return "%s-%d" % (type_name, id)
    units = name.encode("utf-16-le", "surrogatepass")
    if len(units) // 2 > 121:
        name = units[:240].decode("utf-16-le", "surrogatepass")
    name = java_trim(ILLEGAL_FILE_CHARS.sub("_", name))
    while name.endswith("."):
        name = java_trim(name[:-1])
    return name


class Exporter:
    def __init__(self, box, meta):
        self.box, self.meta = box, meta
        self.folder_names = {}  # folder id -> entry folder part
        self.counts = {}
        self.contact_names = set()
        self.entries = []

    def folder_part(self, folder_id, counts_item):
        """The folder part of an entry name, with the batch suffix (saveItem)."""
        if folder_id not in self.folder_names:
            self.counts[folder_id] = 1
            path = self.box.path(folder_id).lstrip("/")
            self.folder_names[folder_id] = ILLEGAL_FOLDER_CHARS.sub("_", path)
            return self.folder_names[folder_id]
        part = self.folder_names[folder_id]
        if counts_item:
            self.counts[folder_id] += 1
            if self.counts[folder_id] // BATCH > 0:
                part += "!%d" % (self.counts[folder_id] // BATCH)
        return part

    def put(self, folder_part, file_name, data, type, date, meta_json, unread_mark=False):
        path = java_text(file_name if not folder_part else folder_part + "/" + file_name)
        if self.meta:
            mode = 0o444 if unread_mark else 0o644
            self.entries.append(Entry(path + ".meta", meta_json.encode("utf-8"), type, date, mode))
        if data is not None:
            self.entries.append(Entry(path, data, type, date))

    def export(self):
        box = self.box
        ordered = sorted(box.folders.values(),
                         key=lambda f: (box.path(f.id).encode("utf-16-be"), f.name))
        for folder in ordered:
            part = self.folder_part(folder.parent if folder.id != 11 else 11, False)
            self.put(part, entry_file_name(folder.id, folder.name, "folder", True), None,
                     FOLDER, FIRST_DATE, folder_meta(box, folder))
        for tag in sorted(box.tags, key=lambda t: t.name):
            part = self.folder_part(8, False)
            self.put(part, entry_file_name(tag.id, tag.name, "tag", True), None, TAG,
                     FIRST_DATE, folder_meta(box, tag))
        for item in sorted(box.items, key=lambda i: i.id):
            self.export_item(item)
        return self.entries

    def export_item(self, item):
        part = self.folder_part(item.folder, True)
        meta_json = item_meta(self.box, item)
        type_name = TYPE_NAMES[item.type]
        if item.type == CONTACT:
            ext = None if self.meta else "vcf"
            name = self.unique_contact_name(part, item.name, ext)
            data = item.blob if self.meta else vcard(item)
            self.put(part, name, data, CONTACT, item.date, meta_json)
            return
        if item.type == DOCUMENT:
            self.put(part, entry_file_name(item.id, item.name, type_name, False), item.blob,
                     DOCUMENT, item.date, meta_json)
            return
        if item.type == MESSAGE:
            ext, data = "eml", item.blob
        elif item.type == APPOINTMENT:
            ext = "appt" if self.meta else "ics"
            data = (item.blob if self.meta
                    else item.ical or calendar_text("uid-%d" % item.id, item.subject))
        else:
            ext = "task"
            data = (item.blob if self.meta
                    else item.ical or calendar_text("uid-%d" % item.id, item.subject, "VTODO"))
        name = entry_file_name(item.id, item.subject, type_name, True) + "." + ext
        marked = item.type == MESSAGE and ((item.flags | (UNREAD if item.unread else 0))
                                           & (ID_UNREAD & 0xFFFFFFFF)) != 0
        self.put(part, name, data, item.type, item.date, meta_json, marked)

    def unique_contact_name(self, part, name, ext):
        counter = 0
        while True:
            path = (part + "/" if part else "") + name
            if counter:
                path += "-%02d" % counter
            if ext:
                path += "." + ext
            counter += 1
            if path.lower() not in self.contact_names:
                self.contact_names.add(path.lower())
                return path[len(part) + 1 if part else 0:]


# VCard.formatContact's TEL types of Zimbra's phone fields.
PHONE_TYPES = [("workPhone", "work"), ("homePhone", "home"), ("mobilePhone", "cell")]


def vcard(item):
    f = item.fields
    phones = "".join("TEL;TYPE=%s:%s\r\n" % (kind, f[key]) for key, kind in PHONE_TYPES
                     if key in f)
    emails = "".join("EMAIL;TYPE=internet:%s\r\n" % f[key] for key in ("email2",) if key in f)
    return ("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%s\r\nN:%s;%s;;;\r\nEMAIL;TYPE=internet:%s\r\n"
            "%s%sUID:%d\r\nEND:VCARD\r\n"
            % (item.subject, f.get("lastName", ""), f.get("firstName", ""), f.get("email", ""),
               emails, phones, item.id)).encode("utf-8")


# ---- Writers ----------------------------------------------------------------------------

ZERO_CHUNK = 64 << 20


def crc32_combine(crc1, crc2, len2):
    """zlib's crc32_combine: the CRC of A+B from those of A and B and B's length."""
    def times(mat, vec):
        total, i = 0, 0
        while vec:
            if vec & 1:
                total ^= mat[i]
            vec >>= 1
            i += 1
        return total

    def square(mat):
        return [times(mat, mat[n]) for n in range(32)]

    if len2 <= 0:
        return crc1
    odd = [0xEDB88320] + [1 << n for n in range(31)]
    even = square(odd)
    odd = square(even)
    while True:
        even = square(odd)
        if len2 & 1:
            crc1 = times(even, crc1)
        len2 >>= 1
        if not len2:
            break
        odd = square(even)
        if len2 & 1:
            crc1 = times(odd, crc1)
        len2 >>= 1
        if not len2:
            break
    return crc1 ^ crc2


class Deflater:
    """Raw deflate with its CRC and length; long runs of zeros are emitted from one block
    compressed once, so a multi-GiB entry costs a few seconds to write."""

    _zero_block = None

    def __init__(self, out, level=6):
        self.out, self.level = out, level
        self.co = zlib.compressobj(level, zlib.DEFLATED, -15)
        self.crc, self.length, self.compressed = 0, 0, 0

    def _emit(self, data):
        self.out.write(data)
        self.compressed += len(data)

    def write(self, data):
        self.crc = zlib.crc32(data, self.crc)
        self.length += len(data)
        self._emit(self.co.compress(data))

    def zeros(self, count):
        if count >= ZERO_CHUNK:
            if Deflater._zero_block is None:
                co = zlib.compressobj(9, zlib.DEFLATED, -15)
                block = bytes(ZERO_CHUNK)
                Deflater._zero_block = (co.compress(block) + co.flush(zlib.Z_FULL_FLUSH),
                                        zlib.crc32(block))
            block, block_crc = Deflater._zero_block
            # A full flush ends on a byte boundary with nothing to refer back to: blocks
            # compressed on their own may follow.
            self._emit(self.co.flush(zlib.Z_FULL_FLUSH))
            while count >= ZERO_CHUNK:
                self._emit(block)
                self.crc = crc32_combine(self.crc, block_crc, ZERO_CHUNK)
                self.length += ZERO_CHUNK
                count -= ZERO_CHUNK
        if count:
            self.write(bytes(count))

    def finish(self):
        self._emit(self.co.flush())


class GzipWriter:
    """One gzip member, as Java's GZIPOutputStream writes it."""

    def __init__(self, out):
        self.out = out
        out.write(b"\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x00")
        self.deflater = Deflater(out)

    def write(self, data):
        self.deflater.write(data)

    def zeros(self, count):
        self.deflater.zeros(count)

    def close(self):
        self.deflater.finish()
        self.out.write(struct.pack("<II", self.deflater.crc, self.deflater.length & 0xFFFFFFFF))


class PlainWriter:
    def __init__(self, out):
        self.out = out

    def write(self, data):
        self.out.write(data)

    def zeros(self, count):
        while count:
            n = min(count, 1 << 20)
            self.out.write(bytes(n))
            count -= n

    def close(self):
        pass


def tar_header(entry, tar_format):
    info = tarfile.TarInfo(entry.name)
    info.size, info.mtime, info.mode = entry.size, entry.date, entry.mode
    info.uid = info.gid = 0
    info.uname, info.gname = "", TYPE_NAMES.get(entry.type, "unknown")
    info.devmajor = entry.type if entry.type >= 0 else 0
    return info.tobuf(tar_format, "utf-8", "surrogateescape")


def write_tar(entries, sink, damage_header=None, tar_format=tarfile.GNU_FORMAT):
    """A tar stream, padded to 10240-byte records: GNU long names (././@LongLink) as Zimbra
    writes them, or pax headers as other tools do."""
    written = 0
    for index, entry in enumerate(entries):
        header = tar_header(entry, tar_format)
        if index == damage_header:
            # The last header block (the entry's own) gets a wrong checksum.
            header = header[:-512] + header[-512:-364] + b"9999999\x00" + header[-356:]
        sink.write(header)
        sink.write(entry.data)
        sink.zeros(entry.zeros)
        padding = -entry.size % 512
        sink.write(bytes(padding))
        written += len(header) + entry.size + padding
    end = 1024 + (-(written + 1024) % 10240)
    sink.write(bytes(end))


class Unseekable(io.RawIOBase):
    """Makes zipfile write as Java's ZipOutputStream does: sizes in data descriptors."""

    def __init__(self, out):
        self.out, self.position = out, 0

    def writable(self):
        return True

    def write(self, data):
        self.out.write(data)
        self.position += len(data)
        return len(data)

    def tell(self):
        return self.position

    def seekable(self):
        return False

    def flush(self):
        self.out.flush()


def write_zip(entries, out):
    with zipfile.ZipFile(Unseekable(out), "w", zipfile.ZIP_DEFLATED) as archive:
        for entry in entries:
            stamp = time.gmtime(max(entry.date, 315532800))[:6]
            info = zipfile.ZipInfo(entry.name, stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.comment = TYPE_NAMES.get(entry.type, "unknown").encode()
            info.external_attr = 0o100660 << 16
            with archive.open(info, "w", force_zip64=entry.size >= 1 << 31) as stream:
                stream.write(entry.data)
                left = entry.zeros
                while left:
                    n = min(left, 1 << 22)
                    stream.write(bytes(n))
                    left -= n


def unpack(entries, folder):
    """What `tar -x` makes of the entries, for the reader's unpacked-tree case."""
    for entry in entries:
        path = os.path.join(folder, *entry.name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(entry.data)


# ---- Damage -----------------------------------------------------------------------------

def find(entries, suffix):
    for index, entry in enumerate(entries):
        if entry.name.endswith(suffix):
            return index
    sys.exit("make_zimbra_export: no entry ends with %r" % suffix)


# Names that would land outside the folder a careless tool unpacks into.
HOSTILE_NAMES = ["../../escape.eml", "/etc/absolute.eml", "C:\\Windows\\drive.eml",
                 "Inbox/..\\..\\back.eml"]


def damage(entries, args):
    """Entry-level damage: each option names the entry it hits by the end of its name."""
    if args.bad_meta_json:
        entries[find(entries, args.bad_meta_json + ".meta")].data = b'{"id": 12, "type": '
    if args.meta_version:
        name, version = args.meta_version.rsplit("=", 1)
        entry = entries[find(entries, name + ".meta")]
        entry.data = re.sub(rb'"Ver":\d+', b'"Ver":' + version.encode(), entry.data)
    if args.drop_item:
        del entries[find(entries, args.drop_item)]
    if args.drop_meta:
        del entries[find(entries, args.drop_meta + ".meta")]
    if args.hostile_names:
        for name in HOSTILE_NAMES:
            entries.append(Entry(name, message_blob(999, "hostile"), MESSAGE, FIRST_DATE))
    if args.big_entry:
        # A message in Inbox of that many zero bytes, with its .meta where the archive has them.
        name, size = args.big_entry.split("=")
        index = len(entries) // 2 if args.big_entry_at is None else args.big_entry_at
        entries.insert(index, Entry(name, b"", MESSAGE, FIRST_DATE, zeros=int(size)))
        if any(entry.name.endswith(".meta") for entry in entries):
            item = Item(99999, MESSAGE, 2, subject="big", blob=b"")
            meta = item_meta(Mailbox(), item).replace('"size":0', '"size":' + size)
            entries.insert(index, Entry(name + ".meta", meta.encode(), MESSAGE, FIRST_DATE))
    if args.err_after:
        index = find(entries, args.err_after)
        entries.insert(index + 1, Entry(entries[index].name + ".err", b"", MESSAGE, FIRST_DATE))
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", help="the archive to write (.tgz, .tar.gz, .tar or .zip)")
    parser.add_argument("--mailbox", default="sample",
                        help="sample (every state and kind; 'desktop' adds Zimbra Desktop's "
                             "Outbox), rest (contacts, a group, appointments, tasks in their "
                             "folders), or bulk:N for N messages over a few folders")
    parser.add_argument("--body-size", type=int, default=1500, help="bulk: body bytes per message")
    parser.add_argument("--unpack", metavar="DIR", help="also write the entries as a folder tree")
    parser.add_argument("--bad-meta-json", metavar="NAME", help="this item's .meta is not JSON")
    parser.add_argument("--meta-version", metavar="NAME=V", help="this item's .meta has Ver V")
    parser.add_argument("--drop-item", metavar="NAME", help="leave out this entry")
    parser.add_argument("--drop-meta", metavar="NAME", help="leave out this item's .meta")
    parser.add_argument("--hostile-names", action="store_true",
                        help="add messages whose names reach outside the archive")
    parser.add_argument("--big-entry", metavar="NAME=BYTES", help="add an entry of zero bytes")
    parser.add_argument("--big-entry-at", type=int, help="its index among the entries")
    parser.add_argument("--err-after", metavar="NAME", help="add Zimbra's NAME.err marker")
    parser.add_argument("--damage-header", metavar="NAME",
                        help="tar: give this entry's header a wrong checksum")
    parser.add_argument("--pax", action="store_true", help="tar: pax headers, not GNU ones")
    parser.add_argument("--truncate", type=int, metavar="BYTES",
                        help="cut the archive file this many bytes before its end")
    args = parser.parse_args()

    if args.mailbox.startswith("bulk:"):
        box = bulk_mailbox(int(args.mailbox[5:]), body_size=args.body_size)
    elif args.mailbox == "rest":
        box = rest_mailbox()
    else:
        box = sample_mailbox(desktop=args.mailbox == "desktop")
    zip_output = args.output.lower().endswith(".zip")
    entries = damage(Exporter(box, meta=not zip_output).export(), args)
    if args.unpack:
        unpack(entries, args.unpack)

    with open(args.output, "wb") as out:
        if zip_output:
            write_zip(entries, out)
        else:
            gz = args.output.lower().endswith((".tgz", ".gz"))
            sink = GzipWriter(out) if gz else PlainWriter(out)
            damaged = find(entries, args.damage_header) if args.damage_header else None
            write_tar(entries, sink, damaged, tarfile.PAX_FORMAT if args.pax else tarfile.GNU_FORMAT)
            sink.close()
    if args.truncate:
        with open(args.output, "r+b") as out:
            out.truncate(os.path.getsize(args.output) - args.truncate)


if __name__ == "__main__":
    main()
