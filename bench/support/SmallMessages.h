#pragma once

// A folder tree of small message files, the same on Linux and Windows.

#include <filesystem>
#include <fstream>
#include <string>

namespace tolvane::bench {

inline constexpr int kSmallMessageFolders = 20;

// `count` short messages spread over kSmallMessageFolders folders two deep below `root`.
inline void writeSmallMessages(const std::filesystem::path& root, int count) {
    for (int k = 0; k < count; ++k) {
        const std::filesystem::path folder =
            root / ("Account " + std::to_string((k % kSmallMessageFolders) / 5)) /
            ("Folder " + std::to_string(k % 5));
        if (k < kSmallMessageFolders) {
            std::filesystem::create_directories(folder);
        }
        std::ofstream(folder / ("msg" + std::to_string(k) + ".eml"), std::ios::binary)
            << "From: Ann Example <ann@example.org>\r\nTo: Bob Example <bob@example.org>\r\n"
               "Subject: Message "
            << k
            << "\r\nDate: Sun, 06 Dec 2026 04:05:07 +0000\r\nMIME-Version: 1.0\r\n"
               "Content-Type: text/plain; charset=utf-8\r\n\r\nA short body.\r\n";
    }
}

}  // namespace tolvane::bench
