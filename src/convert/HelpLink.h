#pragma once

#include <filesystem>
#include <string>

namespace tolvane::convert {

// A file URL for a local file and fragment: file:///abs/path/help.html#troubleshooting,
// with every byte outside the unreserved set percent-encoded.
std::string fileUrl(const std::filesystem::path& file, const std::string& fragment);

// The troubleshooting section of the Help manual: help.html or docs/help.html found beside or
// above the running program, else in the source tree it was built from.
std::string troubleshootingUrl();

}  // namespace tolvane::convert
