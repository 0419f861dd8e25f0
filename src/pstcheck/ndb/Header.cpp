#include "pstcheck/ndb/Header.h"

#include "pstcheck/ndb/Crc.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::size_t kUnicodeHeaderSize = 0x234;

void expect(Report& r, const char* field, std::uint64_t got, std::uint64_t want,
            std::uint64_t offset) {
    if (got != want) {
        r.add("HEADER", field, "is " + hex(got) + ", expected " + hex(want), at(offset));
    }
}

Header readHeader(Bytes h) {
    Header out;
    out.wVer = u16(h, 0x00A);
    out.bidNextP = u64(h, 0x020);
    for (std::size_t i = 0; i < out.rgnid.size(); ++i) {
        out.rgnid[i] = u32(h, 0x02C + 4 * i);
    }
    const std::size_t r = fmt::kRootOffset;
    out.root.ibFileEof = u64(h, r + 4);
    out.root.ibAMapLast = u64(h, r + 12);
    out.root.cbAMapFree = u64(h, r + 20);
    out.root.cbPMapFree = u64(h, r + 28);
    out.root.nbt = {u64(h, r + 36), u64(h, r + 44)};
    out.root.bbt = {u64(h, r + 52), u64(h, r + 60)};
    out.root.fAMapValid = u8(h, r + 68);
    out.cryptMethod = u8(h, 0x201);
    out.bidNextB = u64(h, 0x204);
    return out;
}

void checkRoot(const Header& h, std::uint64_t fileSize, Report& r) {
    const Root& root = h.root;
    if (root.ibFileEof != fileSize) {
        r.add("ROOT", "ibFileEof", "is " + hex(root.ibFileEof) + ", file size is " + hex(fileSize),
              at(fmt::kRootOffset + 4));
    }
    if (fileSize < fmt::kFirstAMap + fmt::kAMapCoverage ||
        (fileSize - fmt::kFirstAMap) % fmt::kAMapCoverage != 0) {
        r.add("ROOT", "ibFileEof",
              "file size " + hex(fileSize) + " is not 0x4400 + a whole number of AMap sections",
              at(fmt::kRootOffset + 4));
    } else {
        const std::uint64_t last =
            fileSize - fmt::kAMapCoverage;  // the last section starts with its AMap
        if (root.ibAMapLast != last) {
            r.add("ROOT", "ibAMapLast", "is " + hex(root.ibAMapLast) + ", expected " + hex(last),
                  at(fmt::kRootOffset + 12));
        }
    }
    // 0x02 is VALID_AMAP2; Outlook 2003's 0x01 is still a valid map [2.2.2.5].
    if (root.fAMapValid == 0x01) {
        r.tolerate("ROOT", "fAMapValid", "is 0x1 (Outlook 2003), expected 0x2",
                   at(fmt::kRootOffset + 68));
    } else if (root.fAMapValid != 0x02) {
        r.add("ROOT", "fAMapValid", "is " + hex(root.fAMapValid) + ", expected 0x2",
              at(fmt::kRootOffset + 68));
    }
    if (root.cbPMapFree != 0) {
        // The PMap is deprecated: a new file has none free; older Outlook files have some.
        r.tolerate("ROOT", "cbPMapFree", "is " + hex(root.cbPMapFree) + ", expected 0",
                   at(fmt::kRootOffset + 28));
    }
    for (const auto& [name, ref] :
         {std::pair{"BREFNBT", root.nbt}, std::pair{"BREFBBT", root.bbt}}) {
        if (ref.ib % fmt::kPageSize != 0 || ref.ib < fmt::kFirstAMap ||
            ref.ib + fmt::kPageSize > fileSize) {
            r.add("ROOT", name, "ib " + hex(ref.ib) + " is not a page inside the file",
                  at(fmt::kRootOffset));
        }
    }
}

}  // namespace

HeaderResult checkHeader(Bytes file, Report& r) {
    HeaderResult result;
    if (file.size() < kUnicodeHeaderSize || u32(file, 0) != fmt::kMagic) {
        r.add("HEADER", "dwMagic", "file does not start with !BDN", at(0));
        return result;
    }
    result.wVer = u16(file, 0x00A);
    if (result.wVer == 14 || result.wVer == 15) {
        result.kind = FileKind::Ansi;
        return result;
    }
    result.kind = FileKind::Unicode;
    const Bytes h = file.first(kUnicodeHeaderSize);
    expect(r, "wMagicClient", u16(h, 0x008), fmt::kMagicClient, 0x008);
    // Readers accept only a few versions (libpst, java-libpst); Outlook writes 23.
    expect(r, "wVer", result.wVer, fmt::kVerUnicode, 0x00A);
    if (u16(h, 0x00C) != fmt::kVerClient) {
        r.tolerate("HEADER", "wVerClient", "is " + hex(u16(h, 0x00C)) + ", expected 0x13",
                   at(0x00C));
    }
    expect(r, "bPlatformCreate", u8(h, 0x00E), 1, 0x00E);
    expect(r, "bPlatformAccess", u8(h, 0x00F), 1, 0x00F);
    const std::uint32_t partial =
        pstCrc(h.subspan(fmt::kHeaderPartialCrcStart, fmt::kHeaderPartialCrcSize));
    expect(r, "dwCRCPartial", u32(h, 0x004), partial, 0x004);
    const std::uint32_t full =
        pstCrc(h.subspan(fmt::kHeaderPartialCrcStart, fmt::kHeaderFullCrcSize));
    expect(r, "dwCRCFull", u32(h, 0x20C), full, 0x20C);
    if (u64(h, 0x0AC) != 0) {
        // Outlook itself leaves data here (seen in several Outlook-made files).
        r.tolerate("HEADER", "qwUnused", "is " + hex(u64(h, 0x0AC)) + ", expected 0", at(0x0AC));
    }
    expect(r, "dwAlign", u32(h, 0x0FC), 0, 0x0FC);
    expect(r, "bSentinel", u8(h, 0x200), 0x80, 0x200);
    Header header = readHeader(h);
    if (header.cryptMethod > fmt::kCryptCyclic) {
        r.add("HEADER", "bCryptMethod", "is " + hex(header.cryptMethod) + ", expected 0, 1 or 2",
              at(0x201));
    }
    if (header.bidNextB % 4 != 0) {
        r.add("HEADER", "bidNextB", hex(header.bidNextB) + " is not a multiple of 4", at(0x204));
    }
    checkRoot(header, file.size(), r);
    result.header = header;
    return result;
}

}  // namespace tolvane::pstcheck
