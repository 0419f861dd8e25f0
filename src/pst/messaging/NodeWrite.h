#pragma once

// The messaging layer's one way to put what the LTP layer wrote on a node: the LTP layer
// writes a node's content through BlockWriter and never sets the node itself.

#include "pst/ltp/SubnodeSet.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::messaging {

inline void setNode(ndb::NodeDatabase& db, ndb::Nid nid, const ltp::NodeContent& content,
                    ndb::Nid parent = {}) {
    db.setNode({nid, content.data, content.subnodes, parent});
}

}  // namespace tolvane::pst::messaging
