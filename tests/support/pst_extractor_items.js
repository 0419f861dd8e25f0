// pst-extractor loaded from the project's node modules, and every message of a PST visited
// folder by folder, for the dumps of one kind of item.
'use strict';

const path = require('path');

const modules = process.env.TOLVANE_NODE_MODULES ||
    path.join(__dirname, '..', '..', 'tools', 'node', 'node_modules');
const { PSTFile } = require(path.join(modules, 'pst-extractor'));

// Folders from the hierarchy tables, messages from the contents tables.
function eachMessage(file, visit) {
    const walk = (folder) => {
        if (folder.contentCount > 0) {
            for (let m = folder.getNextChild(); m; m = folder.getNextChild()) {
                visit(m);
            }
        }
        if (folder.hasSubfolders) {
            for (const child of folder.getSubFolders()) {
                walk(child);
            }
        }
    };
    walk(new PSTFile(path.resolve(file)).getRootFolder());
}

module.exports = { eachMessage };
