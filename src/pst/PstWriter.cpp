#include "pst/PstWriter.h"

#include "pst/messaging/PstStore.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst {

std::unique_ptr<PstWriter> PstWriter::create(const std::filesystem::path& path,
                                             const std::string& displayName,
                                             const WriterOptions& options) {
    ndb::FileSystem& files = options.files ? *options.files : ndb::FileSystem::native();
    return std::make_unique<messaging::PstStore>(ndb::NodeDatabase::create(path, files), path,
                                                 displayName, options);
}

}  // namespace tolvane::pst
