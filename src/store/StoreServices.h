#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "mapi/ImportOptions.h"
#include "mapi/Message.h"
#include "pst/PstWriter.h"

namespace tolvane::store {

// What a profile builds its stores and items with: the PST writer, the RFC 822 import, and
// the renaming of a finished file.
struct StoreServices {
    std::function<std::unique_ptr<pst::PstWriter>(const std::filesystem::path& path,
                                                  const std::string& displayName)>
        createWriter;
    std::function<mapi::Message(const std::filesystem::path& path,
                                const mapi::ImportOptions& options)>
        importMessage;
    // Gives a closed store file its final name (moveToFinalName).
    std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)>
        finishFile;
};

// The real ones: PstWriter::create, and mime::importEml through processImportAhead().
StoreServices defaultServices();

}  // namespace tolvane::store
