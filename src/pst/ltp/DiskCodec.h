#pragma once

// Serialises the LTP structures of DiskStructs.h field by field, little-endian, as the NDB's
// DiskCodec.h does its own; the writer and its tests share these definitions.

#include <span>

#include "pst/ltp/DiskStructs.h"
#include "pst/ndb/ByteOrder.h"

namespace tolvane::pst::ltp::disk {

using ndb::LeReader;
using ndb::LeWriter;

void write(LeWriter& w, const HnHdr& v);
void write(LeWriter& w, const HnPageHdr& v);
void write(LeWriter& w, const HnBitmapHdr& v);
void write(LeWriter& w, const HnPageMapHead& v);
void write(LeWriter& w, const BthHeader& v);
void write(LeWriter& w, const PcBthRecord& v);
void write(LeWriter& w, const ObjectValue& v);
void write(LeWriter& w, const TcInfo& v);
void write(LeWriter& w, const TColumn& v);
void write(LeWriter& w, const TcRowId& v);

void read(LeReader& r, HnHdr& v);
void read(LeReader& r, HnPageHdr& v);
void read(LeReader& r, HnBitmapHdr& v);
void read(LeReader& r, HnPageMapHead& v);
void read(LeReader& r, BthHeader& v);
void read(LeReader& r, PcBthRecord& v);
void read(LeReader& r, ObjectValue& v);
void read(LeReader& r, TcInfo& v);
void read(LeReader& r, TColumn& v);
void read(LeReader& r, TcRowId& v);

// Writes v at the start of `out`, which must hold it.
template <class T>
void writeAt(std::span<std::uint8_t> out, const T& v) {
    LeWriter w(out);
    write(w, v);
}

template <class T>
T readAt(std::span<const std::uint8_t> in) {
    T v;
    LeReader r(in);
    read(r, v);
    return v;
}

}  // namespace tolvane::pst::ltp::disk
