// Dumps the contacts and distribution lists of a PST through pst-extractor's PSTContact
// object as JSON on stdout: folders from the hierarchy tables, items from contents tables.
'use strict';

const path = require('path');

const modules = process.env.TOLVANE_NODE_MODULES ||
    path.join(__dirname, '..', '..', 'tools', 'node', 'node_modules');
const { PSTFile } = require(path.join(modules, 'pst-extractor'));

// pst-extractor's own getters; companyName and otherAddressCountry read the wrong
// property in 1.x, so those two are not dumped.
const FIELDS = ['displayName', 'givenName', 'surname', 'middleName', 'displayNamePrefix',
    'generation', 'nickname', 'title', 'departmentName', 'fileUnder',
    'businessTelephoneNumber', 'homeTelephoneNumber', 'mobileTelephoneNumber',
    'businessFaxNumber', 'homeFaxNumber', 'pagerTelephoneNumber', 'carTelephoneNumber',
    'otherTelephoneNumber', 'personalHomePage', 'businessHomePage',
    'homeAddressStreet', 'homeAddressCity', 'homeAddressStateOrProvince',
    'homeAddressPostalCode', 'homeAddressCountry', 'workAddressStreet', 'workAddressCity',
    'workAddressState', 'workAddressPostalCode', 'workAddressCountry', 'otherAddressStreet',
    'otherAddressCity', 'instantMessagingAddress', 'email1EmailAddress', 'email1AddressType',
    'email2EmailAddress', 'email3EmailAddress', 'html'];

function dateOrNull(d) {
    return d instanceof Date && !isNaN(d.getTime()) ? d.toISOString().slice(0, 10) : null;
}

function dumpFolder(folder, items) {
    if (folder.contentCount > 0) {
        for (let m = folder.getNextChild(); m; m = folder.getNextChild()) {
            if (!/^IPM\.(Contact|DistList)/i.test(m.messageClass)) {
                continue;
            }
            const out = { message_class: m.messageClass, subject: m.subject, body: m.body };
            if (/^IPM\.Contact/i.test(m.messageClass)) {
                for (const f of FIELDS) {
                    out[f] = m[f] || '';
                }
                out.birthday = dateOrNull(m.birthday);
                out.anniversary = dateOrNull(m.anniversary);
            }
            out.attachments = [];
            for (let i = 0; i < m.numberOfAttachments; i++) {
                const a = m.getAttachment(i);
                out.attachments.push(a.longFilename || a.filename || '');
            }
            items.push(out);
        }
    }
    if (folder.hasSubfolders) {
        for (const child of folder.getSubFolders()) {
            dumpFolder(child, items);
        }
    }
}

const items = [];
dumpFolder(new PSTFile(path.resolve(process.argv[2])).getRootFolder(), items);
process.stdout.write(JSON.stringify(items));
