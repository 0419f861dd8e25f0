#include "pst/ltp/DiskCodec.h"

namespace tolvane::pst::ltp::disk {

void write(LeWriter& w, const HnHdr& v) {
    w.u16(v.ibHnpm).u8(v.bSig).u8(v.bClientSig).u32(v.hidUserRoot).u32(v.rgbFillLevel);
}

void write(LeWriter& w, const HnPageHdr& v) {
    w.u16(v.ibHnpm);
}

void write(LeWriter& w, const HnBitmapHdr& v) {
    w.u16(v.ibHnpm).bytes(v.rgbFillLevel);
}

void write(LeWriter& w, const HnPageMapHead& v) {
    w.u16(v.cAlloc).u16(v.cFree);
}

void write(LeWriter& w, const BthHeader& v) {
    w.u8(v.bType).u8(v.cbKey).u8(v.cbEnt).u8(v.bIdxLevels).u32(v.hidRoot);
}

void write(LeWriter& w, const PcBthRecord& v) {
    w.u16(v.wPropId).u16(v.wPropType).u32(v.dwValueHnid);
}

void write(LeWriter& w, const ObjectValue& v) {
    w.u32(v.nid).u32(v.ulSize);
}

void write(LeWriter& w, const TcInfo& v) {
    w.u8(v.bType).u8(v.cCols);
    for (std::uint16_t ib : v.rgib) {
        w.u16(ib);
    }
    w.u32(v.hidRowIndex).u32(v.hnidRows).u32(v.hidIndex);
}

void write(LeWriter& w, const TColumn& v) {
    w.u32(v.tag.value()).u16(v.ibData).u8(v.cbData).u8(v.iBit);
}

void write(LeWriter& w, const TcRowId& v) {
    w.u32(v.dwRowID).u32(v.dwRowIndex);
}

void read(LeReader& r, HnHdr& v) {
    v.ibHnpm = r.u16();
    v.bSig = r.u8();
    v.bClientSig = r.u8();
    v.hidUserRoot = r.u32();
    v.rgbFillLevel = r.u32();
}

void read(LeReader& r, HnPageHdr& v) {
    v.ibHnpm = r.u16();
}

void read(LeReader& r, HnBitmapHdr& v) {
    v.ibHnpm = r.u16();
    r.bytes(v.rgbFillLevel);
}

void read(LeReader& r, HnPageMapHead& v) {
    v.cAlloc = r.u16();
    v.cFree = r.u16();
}

void read(LeReader& r, BthHeader& v) {
    v.bType = r.u8();
    v.cbKey = r.u8();
    v.cbEnt = r.u8();
    v.bIdxLevels = r.u8();
    v.hidRoot = r.u32();
}

void read(LeReader& r, PcBthRecord& v) {
    v.wPropId = r.u16();
    v.wPropType = r.u16();
    v.dwValueHnid = r.u32();
}

void read(LeReader& r, ObjectValue& v) {
    v.nid = r.u32();
    v.ulSize = r.u32();
}

void read(LeReader& r, TcInfo& v) {
    v.bType = r.u8();
    v.cCols = r.u8();
    for (std::uint16_t& ib : v.rgib) {
        ib = r.u16();
    }
    v.hidRowIndex = r.u32();
    v.hnidRows = r.u32();
    v.hidIndex = r.u32();
}

void read(LeReader& r, TColumn& v) {
    v.tag = mapi::PropTag::fromValue(r.u32());
    v.ibData = r.u16();
    v.cbData = r.u8();
    v.iBit = r.u8();
}

void read(LeReader& r, TcRowId& v) {
    v.dwRowID = r.u32();
    v.dwRowIndex = r.u32();
}

}  // namespace tolvane::pst::ltp::disk
