#pragma once

// The empty store: every node Outlook's own new store has ([MS-PST] 2.7.3 and the nodes
// Outlook adds), written before the first commit so the file appears complete. The special
// folders are a list, and the message store names them by ENTRYID, so a folder Outlook
// treats as special is a row here and a pointer in the store's properties.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pst/messaging/FolderTree.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::messaging {

using ProviderUid = std::array<std::uint8_t, 16>;

// The fixed folders of a new store ([MS-PST] 2.7.3.4) and the NIDs Outlook gives them.
namespace special {
inline constexpr ndb::Nid kIpmSubtree{0x8022};
inline constexpr ndb::Nid kSearchRoot{0x8042};
inline constexpr ndb::Nid kDeletedItems{0x8062};
inline constexpr ndb::Nid kCommonViews{0x8082};
inline constexpr ndb::Nid kSpamSearchFolder{0x2223};
}  // namespace special

// A new random UID (a store's provider UID, a replica GUID).
ProviderUid newUid();

// ENTRYID of a folder or message of the store ([MS-PST] 2.4.3.2): four flag bytes, the
// provider UID, the NID.
std::vector<std::uint8_t> entryIdOf(const ProviderUid& store, std::uint32_t nid);

class SpecialFolders;

// Writes the message store and the receive-folder table (as `specials` has them), the table
// templates, the search nodes and the nodes Outlook writes without [MS-PST] describing them,
// and registers the fixed folders with `folders`, which writes them at the next commit.
void writeEmptyStore(ndb::NodeDatabase& db, FolderTree& folders, const SpecialFolders& specials);

}  // namespace tolvane::pst::messaging
