#include "pst/PstWriter.h"

#include "pst/messaging/PstStore.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst {

std::unique_ptr<PstWriter> PstWriter::create(const std::filesystem::path& path,
                                             const std::string& displayName) {
    return std::make_unique<messaging::PstStore>(ndb::NodeDatabase::create(path), path,
                                                 displayName);
}

}  // namespace tolvane::pst
