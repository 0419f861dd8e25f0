// What the pst-extractor scripts of these tests share: the reader's classes, loaded from
// tools/node (TOLVANE_NODE_MODULES overrides the folder), and a table context read by node id.
'use strict';

const path = require('path');

const modules = process.env.TOLVANE_NODE_MODULES ||
    path.join(__dirname, '..', '..', '..', 'tools', 'node', 'node_modules');
const dist = path.join(modules, 'pst-extractor', 'dist');
const { PSTFile } = require(path.join(modules, 'pst-extractor'));
const { PSTTable7C } = require(path.join(dist, 'PSTTable7C.class'));
const { PSTNodeInputStream } = require(path.join(dist, 'PSTNodeInputStream.class'));
const { PSTUtil } = require(path.join(dist, 'PSTUtil.class'));
const Long = require(path.join(modules, 'long'));

function table(file, nid) {
    const node = file.getDescriptorIndexNode(Long.fromNumber(nid));
    let sub;
    if (node.localDescriptorsOffsetIndexIdentifier.greaterThan(0)) {
        sub = file.getPSTDescriptorItems(node.localDescriptorsOffsetIndexIdentifier);
    }
    const stream = new PSTNodeInputStream(file, file.getOffsetIndexNode(node.dataOffsetIndexIdentifier));
    return new PSTTable7C(stream, sub);
}

module.exports = { PSTFile, PSTUtil, Long, table };
