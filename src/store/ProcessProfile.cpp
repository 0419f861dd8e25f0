#include "mime/EmlImport.h"
#include "pst/PstWriter.h"
#include "store/ImportAhead.h"
#include "store/Profile.h"
#include "store/WorkingFile.h"

namespace tolvane::store {

ImportAhead& processImportAhead() {
    static ImportAhead ahead(
        [](const std::filesystem::path& path, const mapi::ImportOptions& options) {
            return mime::importEml(path, options);
        });
    return ahead;
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
