"""Compare rules: each reader limitation is excused narrowly, real differences are reported."""

import copy
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pstreaders import compare, model  # noqa: E402


def message(subject, **fields):
    base = dict(subject=subject, sender_name="Ann", sender_email="ann@example.com",
                to=[{"name": "Bob", "email": "bob@example.com"}], cc=[], bcc=[],
                date="2024-01-02T03:04:05Z", body="Hello\r\nthere  \r\n", html=None, read=True,
                has_attachments=False, attachments=[])
    base.update(fields)
    return model.new_message(**base)


def dump(reader, folders):
    return model.dump(reader, [{"path": p, "messages": m} for p, m in folders])


TOP = "Top of Personal Folders"


class FieldRules(unittest.TestCase):
    def test_identical_dump_agrees_and_body_line_ends_do_not_matter(self):
        expected = {"folders": [{"path": [TOP, "Inbox"], "messages": [message("a")]}]}
        got = dump("pstextractor", [([TOP, "Inbox"], [message("a", body="Hello\nthere\n\n")])])
        got["folders"][0]["content_count"] = 1
        self.assertEqual(compare.compare(expected, got), [])

    def test_each_changed_field_is_reported_with_reader_folder_and_message(self):
        expected = {"folders": [{"path": [TOP, "Inbox"], "messages": [message("a")]}]}
        for field, value in [("sender_email", "eve@example.com"), ("date", "2024-01-02T03:04:06Z"),
                             ("body", "Hello"), ("read", False), ("to", [])]:
            got = dump("pffexport", [([TOP, "Inbox"], [message("a", **{field: value})])])
            problems = compare.compare(expected, got)
            self.assertEqual(len(problems), 1, (field, problems))
            self.assertIn("pffexport: %s/Inbox / message 'a': %s:" % (TOP, field), problems[0])

    def test_only_fields_named_in_expected_are_compared(self):
        expected = {"folders": [{"path": [TOP], "messages": [{"subject": "a"}]}]}
        got = dump("pypff", [([TOP], [message("a", body="anything", read=False)])])
        self.assertEqual(compare.compare(expected, got), [])

    def test_unsupported_fields_are_skipped_only_for_that_reader(self):
        expected = {"folders": [{"path": [TOP], "messages": [message("a")]}]}
        pypff = dump("pypff", [([TOP], [message("a", to=None, cc=None, bcc=None)])])
        self.assertEqual(compare.compare(expected, pypff), [])
        extractor = dump("pstextractor", [([TOP], [message("a", to=None)])])
        extractor["folders"][0]["content_count"] = 1
        self.assertEqual(len(compare.compare(expected, extractor)), 1)


class FolderAndMessageMatching(unittest.TestCase):
    def test_missing_extra_and_duplicate_messages(self):
        expected = {"folders": [{"path": [TOP], "messages": [message("a"), message("a"),
                                                             message("b")]}]}
        got = dump("pypff", [([TOP], [message("a"), message("c"), message("b")])])
        problems = compare.compare(expected, got)
        self.assertEqual(len(problems), 2, problems)
        self.assertIn("message 'a': message: expected 'present', got 'missing'", problems[0])
        self.assertIn("message 'c': message: expected 'absent', got 'extra'", problems[1])

    def test_message_filed_in_an_unexpected_folder_is_reported(self):
        expected = {"folders": [{"path": [TOP, "A"], "messages": []}]}
        got = dump("pypff", [([TOP, "A"], []), ([TOP, "B"], [message("x")])])
        problems = compare.compare(expected, got)
        self.assertEqual(len(problems), 1)
        self.assertIn("%s/B: folder: expected 'absent', got '1 unexpected messages'" % TOP,
                      problems[0])

    def test_readpst_store_named_top_empty_leaf_and_posts(self):
        expected = {"folders": [
            {"path": [TOP, "Inbox"], "messages": [message("a"), message(
                "p", message_class="IPM.Post")]},
            {"path": [TOP, "Empty"], "messages": []}]}
        got = dump("readpst", [(["My Store", "Inbox"], [message("a", has_attachments=None)])])
        self.assertEqual(compare.compare(expected, got), [])
        expected["folders"][1]["messages"] = [message("b")]
        self.assertIn("folder: expected 'present', got 'missing'",
                      compare.compare(expected, got)[0])

    def test_readpst_transport_headers_excuse_header_fields_only(self):
        expected = {"folders": [{"path": [TOP], "messages": [message("a")]}]}
        got_msg = message("a", sender_name="Other", date=None, to=[])
        got_msg["transport_headers"] = True
        got = dump("readpst", [(["Store"], [got_msg])])
        self.assertEqual(compare.compare(expected, got), [])
        got_msg["body"] = "changed"
        self.assertEqual(len(compare.compare(expected, got)), 1)

    def test_pffexport_renamed_folder_and_attachment_names(self):
        att = model.new_attachment("a:b?.txt", b"xyz")
        expected = {"folders": [{"path": [TOP, "Re: x|y"], "messages": [
            message("a", attachments=[att])]}]}
        got_att = model.new_attachment("a_b_.txt", b"xyz")
        got = dump("pffexport", [([TOP, "Re_ x_y"], [message("a", attachments=[got_att])])])
        self.assertEqual(compare.compare(expected, got), [])


class Attachments(unittest.TestCase):
    def setUp(self):
        inner = message("inner", attachments=[model.new_attachment("deep.bin", b"1234")])
        self.expected = {"folders": [{"path": [TOP], "messages": [message("a", attachments=[
            model.new_attachment("x.bin", b"abc"),
            model.new_attachment("Inner", message=inner)])]}]}

    def got(self, reader, atts):
        return dump(reader, [([TOP], [message("a", attachments=atts)])])

    def test_bytes_and_nested_messages_are_compared(self):
        inner = message("inner", attachments=[model.new_attachment("deep.bin", b"1234")])
        good = [model.new_attachment("x.bin", b"abc"), model.new_attachment(None, message=inner)]
        self.assertEqual(compare.compare(self.expected, self.got("pffexport", good)), [])
        bad = copy.deepcopy(good)
        bad[0] = model.new_attachment("x.bin", b"abd")
        bad[1]["message"]["attachments"][0] = model.new_attachment("deep.bin", b"12345")
        problems = compare.compare(self.expected, self.got("pffexport", bad))
        self.assertEqual(len(problems), 3, problems)  # sha256 of x.bin; size and sha256 of deep.bin
        self.assertTrue(any("embedded / attachment 'deep.bin': size" in p for p in problems))

    def test_readers_that_cannot_open_embedded_messages_still_need_the_slot(self):
        slot = model.new_attachment("Inner", embedded=True)
        plain = model.new_attachment("x.bin", b"abc")
        self.assertEqual(compare.compare(self.expected, self.got("pypff", [plain, slot])), [])
        problems = compare.compare(self.expected, self.got("pypff", [plain]))
        self.assertIn("attachment count: expected 2, got 1", problems[0])
        self.assertIn("attachment 'Inner': attachment: expected 'present'", problems[1])


if __name__ == "__main__":
    unittest.main()
