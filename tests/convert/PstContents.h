#pragma once

// What a PST file holds, read back by libpff (pst_tree.py beside this file; the test target
// defines TOLVANE_TEST_ROOT), not by the store session that wrote it: the folders below the store's
// top with their message counts, and each message's subject.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace tolvane::convert::testing {

struct PstContents {
    std::map<std::string, std::int64_t> tree;          // "A\B" -> messages in it
    std::multimap<std::string, std::string> subjects;  // folder -> subject, in table order

    std::int64_t messages() const {
        std::int64_t total = 0;
        for (const auto& [folder, count] : tree) {
            total += count;
        }
        return total;
    }
};

inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Fails the calling test when the file cannot be read.
inline PstContents readPst(const std::string& path) {
    const std::filesystem::path script = TOLVANE_TEST_ROOT "/convert/pst_tree.py";
    const std::string command =
        "/usr/bin/python3 " + shellQuoted(script.string()) + " " + shellQuoted(path);
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    PstContents contents;
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return contents;
    }
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe.release());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "libpff could not read " << path;
        return contents;
    }
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        const std::string folder = line.substr(first + 1, second - first - 1);
        const std::string value = line.substr(second + 1);
        if (line[0] == 'F') {
            contents.tree[folder] = std::stoll(value);
        } else {
            contents.subjects.emplace(folder, value);
        }
    }
    return contents;
}

}  // namespace tolvane::convert::testing
