#pragma once

// Message files opened a little before their import, with the system asked to start reading
// them: a run from a cold disk then reads the next files while the current ones are parsed,
// not one at a time as each import asks. The descriptor is handed to the import, so a file
// is opened once either way. On Windows nothing is held and each import opens its own file.
//
//   FilesOpenedAhead ahead;
//   ahead.open("a.eml");                           // soon to be imported
//   importEml("a.eml", options, ahead.take("a.eml"));  // its descriptor, or -1: opened then

#include <cstddef>
#include <filesystem>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tolvane::mime {

class FilesOpenedAhead {
  public:
    // At most `limit` files are held; opening one more closes the longest held.
    explicit FilesOpenedAhead(std::size_t limit = 64) : limit_(limit) {}
    ~FilesOpenedAhead();
    FilesOpenedAhead(const FilesOpenedAhead&) = delete;
    FilesOpenedAhead& operator=(const FilesOpenedAhead&) = delete;

    // Opens `path` (UTF-8) and asks for its bytes. A file that cannot be opened is left for
    // its import to report; one held already is not opened twice.
    void open(const std::string& path);
    // The descriptor held for `path`, now the caller's to close; -1 when none is held.
    int take(const std::filesystem::path& path);
    // Closes every file held: the run they were opened for is over.
    void clear();
    // How many files it keeps a record of: those it holds, none of those taken.
    std::size_t kept();

  private:
    struct HeldFile {
        std::string name;  // the system's name of the file
        int fd;
    };
    using Held = std::list<HeldFile>;

    void close(Held::iterator file);
    // Drops the file from the record, both at once; its descriptor is the caller's.
    int release(Held::iterator file);

    std::size_t limit_;
    std::mutex mutex_;
    // Longest held first. A file taken leaves both at once: one announced after its import
    // opened it itself is never taken, and must not keep a record of the files after it.
    Held held_;
    std::unordered_map<std::string_view, Held::iterator> byName_;  // names held in held_
};

}  // namespace tolvane::mime
