#include "mime/EmlImport.h"
#include "mime/FilesOpenedAhead.h"
#include "pst/PstWriter.h"
#include "pst/ndb/FileIo.h"
#include "store/ImportAhead.h"
#include "store/Profile.h"
#include "store/WorkingFile.h"

namespace tolvane::store {

namespace {

// The process's read-ahead, which reads on while a store file is synced, and opens the files
// a little before their import. It stops listening before it goes at exit.
struct ProcessReadAhead {
    mime::FilesOpenedAhead opened;
    ImportAhead ahead{
        [this](const std::filesystem::path& path, const mapi::ImportOptions& options) {
            return mime::importEml(path, options, opened.take(path));
        }};
    ProcessReadAhead() {
        pst::ndb::setSyncWaitListener(&heardSync);
        ahead.openAhead(
            {[this](const std::string& path) { opened.open(path); }, [this] { opened.clear(); }});
    }
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
