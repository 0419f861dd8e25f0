#pragma once

// Writes a test's imported items into a PST with the writer, and reads them back through the
// checker's reader.

#include <filesystem>
#include <string>
#include <vector>

#include "CalendarImportSupport.h"
#include "mapi/Tags.h"
#include "pstcheck/PstReader.h"

namespace tolvane::calendar::test {

// A PST in a fresh temporary folder, removed with the object.
class TempPst {
  public:
    TempPst();
    ~TempPst();
    const std::filesystem::path& path() const { return path_; }
    // Writes the items into folders "Calendar" and "Tasks" below the IPM subtree.
    void write(const std::vector<CalendarItem>& items);
    // tolvane-pstcheck --strict's output; empty when it passes.
    std::string strictCheck() const;

  private:
    std::filesystem::path dir_;
    std::filesystem::path path_;
};

// The values of a message read back from a PST, named properties resolved through its map.
class StoredItem {
  public:
    StoredItem(pstcheck::PstReader& reader, const pstcheck::PropertyContext& pc);
    std::optional<std::vector<std::uint8_t>> named(const mapi::NamedTag& tag) const;
    std::optional<std::string> string(mapi::PropTag tag) const;
    std::optional<std::int64_t> timeMinutes(const mapi::NamedTag& tag) const;

  private:
    const pstcheck::PropertyContext& pc_;
    std::vector<pstcheck::NamedProperty> names_;
};

std::vector<std::uint8_t> unhex(const std::string& text);

// The message nodes of a PST in NID order.
std::vector<std::uint32_t> messageNodes(pstcheck::PstReader& reader);

}  // namespace tolvane::calendar::test
