"""Where the sample Zimbra export's messages must be in a PST, and whether read: Zimbra's
Inbox, Sent and Trash are Outlook's own folders, and each message keeps its read state.
Shared by the Linux and Windows end-to-end tests, which check the same export."""


def read_state_by_subject(dump):
    """{subject: [(folder path below the top, read), ...]} from a pst_readers.py dump."""
    read = {}
    for folder in dump["folders"]:
        for message in folder["messages"]:
            read.setdefault(message["subject"], []).append(
                ("/".join(folder["path"][1:]), message["read"]))
    return read


def sample_state_problems(dump):
    """What of the sample's folders and read states the dump does not show; [] when all."""
    read = read_state_by_subject(dump)
    expected = [("Unread hello", ("Inbox", False)), ("Read plain", ("Inbox", True)),
                ("Sent by me", ("Sent Items", True)), ("Thrown away", ("Deleted Items", True))]
    return [f"{subject}: not {place}, but {read.get(subject)}"
            for subject, place in expected if place not in read.get(subject, [])]
