// What pst-extractor finds of a store's special folders and message state, one line each:
//   node extractor_state.js FILE.pst
//   store 35E2 -> Outbox (IPF.Note)          a store pointer and the folder it names
//   root 36D7 -> Drafts (IPF.Note)           a pointer on the root folder (inbox: on the Inbox)
//   receive "IPM" -> Inbox (IPF.Note)        a row of the receive-folder table
//   folder Top/Inbox count=2 unread=1 class=IPF.Note in parent's row: 3602=2 3603=1
//                                            the folder's PC, then its parent's hierarchy row
//   row 'Subject' 0E07=1 1090=2 ...          the state cells of the message's contents row
//   message 'Subject' 0E07=1 1090=2 ...      the same properties on the message itself
// The Inbox is the folder the receive-folder table's "" row names. Messages come only from the
// contents table: a folder whose contents table pst-extractor cannot read prints "no table".
'use strict';

const { PSTFile, PSTUtil, Long, table } = require('./extractor_tables.js');

const STORE_POINTERS = [0x35E0, 0x35E2, 0x35E3, 0x35E4, 0x35E7];
const FOLDER_POINTERS = [0x36D0, 0x36D1, 0x36D2, 0x36D3, 0x36D4, 0x36D7];
const ADDITIONAL_REN_ENTRY_IDS = 0x36D8;
const RECEIVE_FOLDER_TABLE = 0x62B;
// Message state a folder's list shows: importance, flags, to-do flags, icon, last verb,
// flag status, follow-up icon; Keywords is added by its id in the file's map.
const STATE_TAGS = [0x0017, 0x0E07, 0x0E2B, 0x1080, 0x1081, 0x1090, 0x1095];

const hex4 = (n) => n.toString(16).toUpperCase().padStart(4, '0');

function multiValued(data) {
    if (!data || data.length < 4) {
        return [];
    }
    const count = data.readUInt32LE(0);
    const offsets = [];
    for (let i = 0; i < count; i++) {
        offsets.push(data.readUInt32LE(4 + 4 * i));
    }
    offsets.push(data.length);
    return offsets.slice(0, count).map((o, i) => data.subarray(o, offsets[i + 1]));
}

function value(item) {
    if (!item) {
        return undefined;
    }
    switch (item.entryValueType) {
        case 0x0003:
            return String(item.entryValueReference | 0);
        case 0x000B:
            return String((item.entryValueReference & 0xFF) !== 0);
        case 0x0040:
            return item.data.readBigInt64LE(0).toString();
        case 0x001F:
            return JSON.stringify(item.data.toString('utf16le'));
        case 0x101F:
            return JSON.stringify(multiValued(item.data).map((b) => b.toString('utf16le')));
        default:
            return item.data ? item.data.toString('hex') : String(item.entryValueReference);
    }
}

function cells(items, tags) {
    return tags.filter((t) => items.has(t)).map((t) => `${hex4(t)}=${value(items.get(t))}`).join(' ');
}

function folderAt(file, nid) {
    try {
        const node = file.getDescriptorIndexNode(Long.fromNumber(nid));
        const folder = PSTUtil.detectAndLoadPSTObject(file, node);
        return `${folder.displayName} (${folder.containerClass})`;
    } catch (e) {
        return `nothing (nid 0x${nid.toString(16).toUpperCase()})`;
    }
}

function pointed(file, entryId) {
    if (!entryId || entryId.length !== 24) {
        return `nothing (${entryId ? entryId.length : 0} bytes)`;
    }
    return folderAt(file, entryId.readUInt32LE(20));
}

function pointerLines(file, label, items, lines) {
    for (const t of FOLDER_POINTERS) {
        if (items.has(t)) {
            lines.push(`${label} ${hex4(t)} -> ${pointed(file, items.get(t).data)}`);
        }
    }
    if (items.has(ADDITIONAL_REN_ENTRY_IDS)) {
        multiValued(items.get(ADDITIONAL_REN_ENTRY_IDS).data).forEach((v, i) => {
            if (v.length) {
                lines.push(`${label} ${hex4(ADDITIONAL_REN_ENTRY_IDS)}[${i}] -> ${pointed(file, v)}`);
            }
        });
    }
}

function walk(file, folder, names, stateTags, lines) {
    const hierarchy = new Map();
    for (const row of table(file, folder.descriptorNodeId.toNumber() + 11).getItems()) {
        hierarchy.set(row.get(0x67F2).entryValueReference, row);
    }
    for (const sub of folder.getSubFolders()) {
        const p = names.concat([sub.displayName]);
        const row = hierarchy.get(sub.descriptorNodeId.toNumber()) || new Map();
        lines.push(`folder ${p.join('/')} count=${sub.contentCount} unread=${sub.unreadCount} ` +
                   `class=${sub.containerClass} in parent's row: ${cells(row, [0x3602, 0x3603])}`);
        if (sub.getNodeType() !== PSTUtil.NID_TYPE_SEARCH_FOLDER) {
            let rows = null;
            try {
                rows = table(file, sub.descriptorNodeId.toNumber() + 12).getItems();
            } catch (e) {
                lines.push(`folder ${p.join('/')} no table`);
            }
            for (const row of rows || []) {
                const node = file.getDescriptorIndexNode(Long.fromNumber(row.get(0x67F2).entryValueReference));
                const message = PSTUtil.detectAndLoadPSTObject(file, node);
                const subject = message.subject;
                lines.push(`row '${subject}' ${cells(row, stateTags)}`);
                lines.push(`message '${subject}' ${cells(message.pstTableItems, stateTags)}`);
            }
        }
        if (sub.hasSubfolders) {
            walk(file, sub, p, stateTags, lines);
        }
    }
}

function main(pstPath) {
    const file = new PSTFile(pstPath);
    const lines = [];
    const store = file.getMessageStore().pstTableItems;
    for (const t of STORE_POINTERS) {
        if (store.has(t)) {
            lines.push(`store ${hex4(t)} -> ${pointed(file, store.get(t).data)}`);
        }
    }
    const root = file.getRootFolder();
    pointerLines(file, 'root', root.pstTableItems, lines);
    let inbox = null;
    for (const row of table(file, RECEIVE_FOLDER_TABLE).getItems()) {
        const cls = row.get(0x001A).data.toString('utf16le');
        const nid = row.get(0x6605).entryValueReference;
        lines.push(`receive ${JSON.stringify(cls)} -> ${folderAt(file, nid)}`);
        if (cls === '' && nid !== 0x122) {
            inbox = nid;
        }
    }
    if (inbox !== null) {
        const node = file.getDescriptorIndexNode(Long.fromNumber(inbox));
        pointerLines(file, 'inbox', PSTUtil.detectAndLoadPSTObject(file, node).pstTableItems, lines);
    }
    const keywords = PSTFile.getPublicStringToIdMapItem('Keywords');
    walk(file, root, [], STATE_TAGS.concat(keywords >= 0x8000 ? [keywords] : []), lines);
    console.log(lines.join('\n'));
}

main(process.argv[2]);
