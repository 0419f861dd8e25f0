#pragma once

// A store compared with an Outlook-made one node by node, through pstcheck's reader: each
// node's parent, kind (PC, TC, raw bytes or empty), every property, a table's columns, layout
// and rows, and the same for its subnodes.

#include <filesystem>
#include <string>
#include <vector>

namespace tolvane::pst::testing {

// One line per difference; empty when the two stores hold the same nodes. Store-specific
// values are compared by shape only: the provider UID (record key, entry ids), the replica
// GUID, row versions and the IPM subtree's localized name. The name-to-id map's entry and
// string streams are compared as the names they hold (Outlook pads its string stream).
std::vector<std::string> structureDifferences(const std::filesystem::path& ours,
                                              const std::filesystem::path& outlook);

}  // namespace tolvane::pst::testing
