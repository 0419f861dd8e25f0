#pragma once

// The readers openSource chooses from.

#include <filesystem>
#include <memory>

#include "source/SourceFormat.h"
#include "source/SourceReader.h"

namespace tolvane::source {

std::unique_ptr<SourceReader> openArchive(const std::filesystem::path& path,
                                          const ReadOptions& options);
std::unique_ptr<SourceReader> openLooseFile(const std::filesystem::path& path, SourceFormat format,
                                            const ReadOptions& options);

}  // namespace tolvane::source
