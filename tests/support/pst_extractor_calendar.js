// Dumps the appointments and tasks of a PST through pst-extractor's PSTAppointment and
// PSTTask objects as JSON on stdout; calendar_readers.py compares it.
'use strict';

const path = require('path');

const modules = process.env.TOLVANE_NODE_MODULES ||
    path.join(__dirname, '..', '..', 'tools', 'node', 'node_modules');
const { PSTFile } = require(path.join(modules, 'pst-extractor'));

function iso(d) {
    return d instanceof Date && !isNaN(d.getTime()) ? d.toISOString().replace('.000', '') : null;
}

function dumpItem(msg) {
    const out = { message_class: msg.messageClass, subject: msg.subject, body: msg.body };
    if (String(msg.messageClass).startsWith('IPM.Appointment')) {
        Object.assign(out, {
            start: iso(msg.startTime), end: iso(msg.endTime), duration: msg.duration,
            location: msg.location, busy_status: msg.busyStatus, all_day: msg.subType,
            recurring: msg.isRecurring, recurrence_pattern: msg.recurrencePattern,
            attachments: msg.numberOfAttachments,
        });
    } else if (String(msg.messageClass).startsWith('IPM.Task')) {
        Object.assign(out, {
            status: msg.taskStatus, percent: msg.percentComplete, complete: msg.isTaskComplete,
            completed: iso(msg.taskDateCompleted), recurring: msg.isTaskRecurring,
            start_date: iso(msg.taskStartDate), due_date: iso(msg.taskDueDate),
        });
    }
    return out;
}

function walk(folder, items) {
    if (folder.contentCount > 0) {
        for (let msg = folder.getNextChild(); msg; msg = folder.getNextChild()) {
            items.push(dumpItem(msg));
        }
    }
    if (folder.hasSubfolders) {
        for (const child of folder.getSubFolders()) {
            walk(child, items);
        }
    }
}

const items = [];
walk(new PSTFile(path.resolve(process.argv[2])).getRootFolder(), items);
process.stdout.write(JSON.stringify(items));
