#pragma once

// Serialises the LTP structures of DiskStructs.h field by field, little-endian, as the NDB's
// DiskCodec.h does its own; the writer and its tests share these definitions.

#include <span>

#include "pst/ltp/DiskStructs.h"
#include "pst/ndb/ByteOrder.h"
#include "pst/ndb/DiskCodec.h"

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

// The NDB codec's toBytes, fromBytes and writeAt take these structures too.
using ndb::disk::fromBytes;
using ndb::disk::toBytes;
using ndb::disk::writeAt;

}  // namespace tolvane::pst::ltp::disk
