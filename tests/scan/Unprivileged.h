#pragma once

// Folder permissions stop everyone but root, and the documented set-up runs the tests as
// root. A check that needs a folder to be unreadable therefore runs in a child process that
// first drops to the unprivileged user "nobody"; its findings come back through a pipe.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <functional>
#include <string>

namespace tolvane::scan::test {

inline constexpr uid_t kUnprivilegedId = 65534;  // nobody, nogroup

// Gives the tree to the user the child runs as, so it can read what is not locked.
inline void handToUnprivileged(const std::string& root) {
    if (geteuid() != 0) {
        return;
    }
    lchown(root.c_str(), kUnprivilegedId, kUnprivilegedId);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        lchown(entry.path().c_str(), kUnprivilegedId, kUnprivilegedId);
    }
}

// Runs `check` in a child without privileges; returns what it returned (empty: every
// expectation held), or why the child could not run it.
inline std::string asUnprivilegedChild(const std::function<std::string()>& check) {
    int fds[2];
    if (pipe(fds) != 0) {
        return "pipe failed";
    }
    const pid_t child = fork();
    if (child < 0) {
        return "fork failed";
    }
    if (child == 0) {
        close(fds[0]);
        std::string result;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kUnprivilegedId) != 0 ||
                               setuid(kUnprivilegedId) != 0)) {
            result = "the child could not drop its privileges";
        } else if (geteuid() == 0) {
            result = "the child is still root";
        } else {
            try {
                result = check();
            } catch (const std::exception& e) {
                result = std::string("the check threw: ") + e.what();
            }
        }
        const char* at = result.data();
        for (std::size_t left = result.size(); left > 0;) {
            const ssize_t written = write(fds[1], at, left);
            if (written <= 0) {
                break;
            }
            at += written;
            left -= static_cast<std::size_t>(written);
        }
        _exit(result.empty() ? 0 : 1);
    }
    close(fds[1]);
    std::string found;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        found.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status)) {
        return "the child died: " + found;
    }
    if (WEXITSTATUS(status) != 0 && found.empty()) {
        return "the child failed without a word";
    }
    return found;
}

// Collects what did not hold, one line each, for asUnprivilegedChild.
class Findings {
  public:
    void expect(bool held, const std::string& what) {
        if (!held) {
            text_ += what + "\n";
        }
    }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

}  // namespace tolvane::scan::test
