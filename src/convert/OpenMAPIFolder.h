#pragma once

#include <functional>
#include <optional>
#include <string>

#include "outlook/Outlook.h"

namespace tolvane::convert {

using OutlookFactory = std::function<outlook::Application()>;

// The Outlook folder at a path of names separated by backslashes. A leading backslash makes
// it absolute (its first name is a store's display name); otherwise it starts at the active
// explorer's current folder. A lone backslash gives no folder. Nothing is caught: a missing
// or empty name, or a relative path without an active explorer, throws.
std::optional<outlook::Folder> OpenMAPIFolder(const std::string& path,
                                              const OutlookFactory& createOutlook);

}  // namespace tolvane::convert
