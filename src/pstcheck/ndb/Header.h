#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

struct BRef {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

// [MS-PST] 2.2.2.5 ROOT
struct Root {
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    std::uint64_t cbPMapFree = 0;
    BRef nbt;
    BRef bbt;
    std::uint8_t fAMapValid = 0;
};

// [MS-PST] 2.2.2.6 HEADER (Unicode)
struct Header {
    std::uint16_t wVer = 0;
    std::uint8_t cryptMethod = 0;
    std::uint64_t bidNextB = 0;
    std::uint64_t bidNextP = 0;
    std::array<std::uint32_t, 32> rgnid{};
    Root root;
};

enum class FileKind { Unicode, Ansi, NotPst };

struct HeaderResult {
    FileKind kind = FileKind::NotPst;
    std::uint16_t wVer = 0;
    std::optional<Header> header;  // set for Unicode files whose header could be read
};

// Reads and checks the header and ROOT; problems go to the report.
HeaderResult checkHeader(Bytes file, Report& report);

}  // namespace tolvane::pstcheck
