#include "mime/EmlImport.h"
#include "pst/PstWriter.h"
#include "pst/ndb/FileIo.h"
#include "store/ImportAhead.h"
#include "store/Profile.h"
#include "store/WorkingFile.h"

namespace tolvane::store {

namespace {

// The process's read-ahead, which reads on while a store file is synced. It stops listening
// before it goes at exit.
struct ProcessReadAhead {
    ImportAhead ahead{[](const std::filesystem::path& path, const mapi::ImportOptions& options) {
        return mime::importEml(path, options);
    }};
    ProcessReadAhead() { pst::ndb::setSyncWaitListener(&heardSync); }
    ~ProcessReadAhead() { pst::ndb::setSyncWaitListener(nullptr); }
    ProcessReadAhead(const ProcessReadAhead&) = delete;
    ProcessReadAhead& operator=(const ProcessReadAhead&) = delete;

    static void heardSync(bool waiting) { processImportAhead().writerWaits(waiting); }
};

}  // namespace

ImportAhead& processImportAhead() {
    static ProcessReadAhead process;
    return process.ahead;
}

StoreServices defaultServices() {
    return {[](const std::filesystem::path& path, const std::string& displayName) {
                return pst::PstWriter::create(path, displayName);
            },
            [](const std::filesystem::path& path, const mapi::ImportOptions& options) {
                return processImportAhead().take(path, options);
            },
            moveToFinalName};
}

std::shared_ptr<Profile> Profile::process() {
    static const auto profile = std::make_shared<Profile>(defaultServices());
    return profile;
}

}  // namespace tolvane::store
