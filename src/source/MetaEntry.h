#pragma once

// A .meta read for an item, in an archive or beside an unpacked message, with the problems
// reported the same way for both.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "source/Meta.h"
#include "source/Problem.h"
#include "source/ReadOptions.h"

namespace tolvane::source {

// The .meta's contents, or nullopt after reporting why they cannot be used.
std::optional<Meta> readMeta(std::string_view text, const std::string& source,
                             const std::string& entry, const std::function<void(Problem)>& report);

std::string tooLargeMetaReason(const ReadLimits& limits);

// "2.0 GB", "1 GiB": sizes as reports give them.
std::string sizeText(std::uint64_t bytes);

}  // namespace tolvane::source
