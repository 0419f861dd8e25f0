// Every contents row of a store against the message it names, as pst-extractor reads both:
//   node extractor_rows.js FILE.pst
//   folder Top/Calendar (IPF.Appointment) columns=63
//   row 'Subject' same=24 differ=                  cells the message also holds: equal, unequal
// A cell counts where the message has the property with the same type; the row's own columns
// (row id, row version) are left out. Unequal cells are named by tag: differ=8004 3A06.
'use strict';

const { PSTFile, PSTUtil, Long, table } = require('./extractor_tables.js');

const ROW_ID = 0x67F2;
const ROW_VERSION = 0x67F3;
const hex4 = (n) => n.toString(16).toUpperCase().padStart(4, '0');

// A value as bytes: inline values from the reference, the rest from their data.
function bytesOf(item) {
    if (item.data && item.data.length) {
        return item.data.toString('hex');
    }
    return String(item.entryValueReference);
}

function walk(file, folder, names, lines) {
    for (const sub of folder.getSubFolders()) {
        const p = names.concat([sub.displayName]);
        if (sub.getNodeType() !== PSTUtil.NID_TYPE_SEARCH_FOLDER) {
            const contents = table(file, sub.descriptorNodeId.toNumber() + 12);
            lines.push(`folder ${p.join('/')} (${sub.containerClass}) columns=${contents.numColumns}`);
            for (const row of contents.getItems()) {
                const node = file.getDescriptorIndexNode(Long.fromNumber(row.get(ROW_ID).entryValueReference));
                const message = PSTUtil.detectAndLoadPSTObject(file, node);
                const own = message.pstTableItems;
                let same = 0;
                const differ = [];
                for (const [tag, cell] of row) {
                    const mine = own.get(tag);
                    if (tag === ROW_ID || tag === ROW_VERSION || !mine ||
                        mine.entryValueType !== cell.entryValueType) {
                        continue;
                    }
                    if (bytesOf(mine) === bytesOf(cell)) {
                        ++same;
                    } else {
                        differ.push(hex4(tag));
                    }
                }
                lines.push(`row '${message.subject}' same=${same} differ=${differ.join(' ')}`);
            }
        }
        if (sub.hasSubfolders) {
            walk(file, sub, p, lines);
        }
    }
}

const file = new PSTFile(process.argv[2]);
const lines = [];
walk(file, file.getRootFolder(), [], lines);
console.log(lines.join('\n'));
