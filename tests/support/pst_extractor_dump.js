// Dumps a PST through pst-extractor as raw JSON on stdout; pst_readers.py normalizes it.
// Folders come from getSubFolders() (hierarchy table), messages from getNextChild()
// (contents table), which is how Outlook finds them.
'use strict';

const path = require('path');
const crypto = require('crypto');

const modules = process.env.TOLVANE_NODE_MODULES ||
    path.join(__dirname, '..', '..', 'tools', 'node', 'node_modules');
const { PSTFile, PSTRecipient } = require(path.join(modules, 'pst-extractor'));

const RECIPIENT_KINDS = { 1: 'to', 2: 'cc', 3: 'bcc' };

function dateOrNull(d) {
    return d instanceof Date && !isNaN(d.getTime()) ? d.toISOString() : null;
}

function attachmentBytes(att) {
    const stream = att.fileInputStream;
    if (!stream) {
        return Buffer.alloc(0);
    }
    const buf = Buffer.alloc(stream.length.toNumber());
    stream.readCompletely(buf);
    return buf;
}

// getRecipient(i) re-reads the whole recipient table on every call (quadratic: minutes for 200
// recipients); read the table's rows once and build the same PSTRecipient objects from them.
function recipients(msg) {
    const count = msg.numberOfRecipients;
    const table = msg.recipientTable;
    if (!table || typeof table.getItems !== 'function') {
        return Array.from({ length: count }, (_, i) => msg.getRecipient(i));
    }
    return table.getItems().map((row) => new PSTRecipient(msg.pstFile, row));
}

function dumpAttachment(att) {
    const name = att.longFilename || att.filename || att.displayName || null;
    if (att.attachMethod === 5) {
        // Embedded messages are beyond this reader (readers.md); keep the slot, not the content.
        return { name, size: null, sha256: null, message: null, method: 5 };
    }
    const data = attachmentBytes(att);
    return {
        name,
        size: data.length,
        sha256: crypto.createHash('sha256').update(data).digest('hex'),
        message: null,
        method: att.attachMethod,
    };
}

function dumpMessage(msg) {
    const out = {
        message_class: msg.messageClass,
        subject: msg.subject,
        sender_name: msg.senderName,
        sender_email: msg.senderEmailAddress,
        to: [], cc: [], bcc: [],
        date: dateOrNull(msg.clientSubmitTime),
        body: msg.body,
        html: msg.bodyHTML || null,
        read: msg.isRead,
        has_attachments: msg.hasAttachments,
        attachments: [],
    };
    for (const r of recipients(msg)) {
        const kind = r && RECIPIENT_KINDS[r.recipientType];
        if (kind) {
            out[kind].push({ name: r.displayName, email: r.emailAddress || r.smtpAddress });
        }
    }
    for (let i = 0; i < msg.numberOfAttachments; i++) {
        out.attachments.push(dumpAttachment(msg.getAttachment(i)));
    }
    return out;
}

function dumpFolder(folder, parents, folders) {
    const here = parents.concat([folder.displayName]);
    const messages = [];
    if (folder.contentCount > 0) {
        for (let msg = folder.getNextChild(); msg; msg = folder.getNextChild()) {
            messages.push(dumpMessage(msg));
        }
    }
    folders.push({ path: here, content_count: folder.contentCount, messages });
    if (folder.hasSubfolders) {
        for (const child of folder.getSubFolders()) {
            dumpFolder(child, here, folders);
        }
    }
}

function main() {
    const file = new PSTFile(path.resolve(process.argv[2]));
    const folders = [];
    // The root folder has no name of its own; its children start every path.
    for (const top of file.getRootFolder().getSubFolders()) {
        dumpFolder(top, [], folders);
    }
    process.stdout.write(JSON.stringify(folders));
}

main();
