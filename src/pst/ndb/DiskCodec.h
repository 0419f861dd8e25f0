#pragma once

// Serialises the on-disk structures of DiskStructs.h field by field, little-endian. The writer,
// the tests' reader and any dump tool share these, so one definition describes the layout.

#include <array>
#include <cstdint>
#include <span>

#include "pst/ndb/ByteOrder.h"
#include "pst/ndb/DiskStructs.h"

namespace tolvane::pst::ndb::disk {

void write(LeWriter& w, const Bref& v);
void write(LeWriter& w, const Root& v);
void write(LeWriter& w, const Header& v);
void write(LeWriter& w, const PageTrailer& v);
void write(LeWriter& w, const MapPage& v);
void write(LeWriter& w, const DListPage& v);
void write(LeWriter& w, const BtEntry& v);
void write(LeWriter& w, const BbtEntry& v);
void write(LeWriter& w, const NbtEntry& v);
void write(LeWriter& w, const BtPage& v);
void write(LeWriter& w, const BlockTrailer& v);
void write(LeWriter& w, const XBlockHeader& v);
void write(LeWriter& w, const SBlockHeader& v);
void write(LeWriter& w, const SlEntry& v);
void write(LeWriter& w, const SiEntry& v);

void read(LeReader& r, Bref& v);
void read(LeReader& r, Root& v);
void read(LeReader& r, Header& v);
void read(LeReader& r, PageTrailer& v);
void read(LeReader& r, MapPage& v);
void read(LeReader& r, DListPage& v);
void read(LeReader& r, BtEntry& v);
void read(LeReader& r, BbtEntry& v);
void read(LeReader& r, NbtEntry& v);
void read(LeReader& r, BtPage& v);
void read(LeReader& r, BlockTrailer& v);
void read(LeReader& r, XBlockHeader& v);
void read(LeReader& r, SBlockHeader& v);
void read(LeReader& r, SlEntry& v);
void read(LeReader& r, SiEntry& v);

template <class T>
std::array<std::uint8_t, sizeof(T)> toBytes(const T& v) {
    std::array<std::uint8_t, sizeof(T)> out{};
    LeWriter w(out);
    write(w, v);
    return out;
}

template <class T>
T fromBytes(std::span<const std::uint8_t> bytes) {
    T v;
    LeReader r(bytes.first(sizeof(T)));
    read(r, v);
    return v;
}

// Byte ranges of the header that its two CRCs cover ([MS-PST] 2.2.2.6).
inline constexpr std::size_t kHeaderCrcStart = 8;
inline constexpr std::size_t kHeaderCrcPartialSize = 471;
inline constexpr std::size_t kHeaderCrcFullSize = 516;

// The header as written: its fields, with dwCRCPartial and dwCRCFull computed over the bytes
// they cover.
std::array<std::uint8_t, sizeof(Header)> sealHeader(const Header& header);

}  // namespace tolvane::pst::ndb::disk
