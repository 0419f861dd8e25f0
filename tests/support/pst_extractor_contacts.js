// Dumps the contacts and distribution lists of a PST through pst-extractor's PSTContact
// object as JSON on stdout: folders from the hierarchy tables, items from contents tables.
'use strict';

const { eachMessage } = require('./pst_extractor_items');

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

function dumpItem(m) {
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
    return out;
}

const items = [];
eachMessage(process.argv[2], (m) => {
    if (/^IPM\.(Contact|DistList)/i.test(m.messageClass)) {
        items.push(dumpItem(m));
    }
});
process.stdout.write(JSON.stringify(items));
