#pragma once

#include <filesystem>
#include <string>

namespace tolvane::convert {

// A file URL for a local file and fragment: file:///abs/path/help.html#troubleshooting,
// with every byte outside the unreserved set percent-encoded.
std::string fileUrl(const std::filesystem::path& file, const std::string& fragment);

// Where the Help manual belongs for the program at programFile, as it is installed: help.html
// beside the program on Windows; <prefix>/share/doc/tolvane/help.html for <prefix>/bin/program
// elsewhere. The build puts a copy at the same place beside each program it builds, so the
// build tree serves only a program run from it. Empty for an empty programFile.
std::filesystem::path helpManualFor(const std::filesystem::path& programFile);

// The running program's Help manual: where it belongs, whether or not it is there.
std::filesystem::path helpManual();

// The troubleshooting section of the running program's Help manual, as a file URL.
std::string troubleshootingUrl();

}  // namespace tolvane::convert
