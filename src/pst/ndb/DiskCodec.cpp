#include "pst/ndb/DiskCodec.h"

#include <cstddef>
#include <iterator>

#include "pst/ndb/Crc.h"

namespace tolvane::pst::ndb::disk {

void write(LeWriter& w, const Bref& v) {
    w.u64(v.bid).u64(v.ib);
}

void write(LeWriter& w, const Root& v) {
    w.u32(v.dwReserved).u64(v.ibFileEof).u64(v.ibAMapLast).u64(v.cbAMapFree).u64(v.cbPMapFree);
    write(w, v.brefNbt);
    write(w, v.brefBbt);
    w.u8(v.fAMapValid).u8(v.bReserved).u16(v.wReserved);
}

void write(LeWriter& w, const Header& v) {
    w.u32(v.dwMagic).u32(v.dwCRCPartial).u16(v.wMagicClient).u16(v.wVer).u16(v.wVerClient);
    w.u8(v.bPlatformCreate).u8(v.bPlatformAccess).u32(v.dwReserved1).u32(v.dwReserved2);
    w.u64(v.bidUnused).u64(v.bidNextP).u32(v.dwUnique);
    for (std::size_t i = 0; i < std::size(v.rgnid); ++i) {
        w.u32(v.rgnid[i]);
    }
    w.u64(v.qwUnused);
    write(w, v.root);
    w.u32(v.dwAlign).bytes(v.rgbFM).bytes(v.rgbFP);
    w.u8(v.bSentinel).u8(v.bCryptMethod).u16(v.rgbReserved).u64(v.bidNextB).u32(v.dwCRCFull);
    w.bytes(v.rgbReserved2).u8(v.bReserved).bytes(v.rgbReserved3);
}

void write(LeWriter& w, const PageTrailer& v) {
    w.u8(v.ptype).u8(v.ptypeRepeat).u16(v.wSig).u32(v.dwCRC).u64(v.bid);
}

void write(LeWriter& w, const MapPage& v) {
    w.bytes(v.rgb);
    write(w, v.trailer);
}

void write(LeWriter& w, const DListPage& v) {
    w.u8(v.bFlags).u8(v.cEntDList).u16(v.wPadding).u32(v.ulCurrentPage);
    for (std::size_t i = 0; i < std::size(v.rgDListPageEnt); ++i) {
        w.u32(v.rgDListPageEnt[i]);
    }
    w.bytes(v.rgPadding);
    write(w, v.trailer);
}

void write(LeWriter& w, const BtEntry& v) {
    w.u64(v.btkey);
    write(w, v.bref);
}

void write(LeWriter& w, const BbtEntry& v) {
    write(w, v.bref);
    w.u16(v.cb).u16(v.cRef).u32(v.dwPadding);
}

void write(LeWriter& w, const NbtEntry& v) {
    w.u64(v.nid).u64(v.bidData).u64(v.bidSub).u32(v.nidParent).u32(v.dwPadding);
}

void write(LeWriter& w, const BtPage& v) {
    w.bytes(v.rgentries).u8(v.cEnt).u8(v.cEntMax).u8(v.cbEnt).u8(v.cLevel).u32(v.dwPadding);
    write(w, v.trailer);
}

void write(LeWriter& w, const BlockTrailer& v) {
    w.u16(v.cb).u16(v.wSig).u32(v.dwCRC).u64(v.bid);
}

void write(LeWriter& w, const XBlockHeader& v) {
    w.u8(v.btype).u8(v.cLevel).u16(v.cEnt).u32(v.lcbTotal);
}

void write(LeWriter& w, const SBlockHeader& v) {
    w.u8(v.btype).u8(v.cLevel).u16(v.cEnt).u32(v.dwPadding);
}

void write(LeWriter& w, const SlEntry& v) {
    w.u64(v.nid).u64(v.bidData).u64(v.bidSub);
}

void write(LeWriter& w, const SiEntry& v) {
    w.u64(v.nid).u64(v.bid);
}

std::array<std::uint8_t, sizeof(Header)> sealHeader(const Header& header) {
    auto bytes = toBytes(header);
    const std::span<std::uint8_t> all(bytes);
    le::put32(all, offsetof(Header, dwCRCPartial),
              computeCrc(all.subspan(kHeaderCrcStart, kHeaderCrcPartialSize)));
    le::put32(all, offsetof(Header, dwCRCFull),
              computeCrc(all.subspan(kHeaderCrcStart, kHeaderCrcFullSize)));
    return bytes;
}

void read(LeReader& r, Bref& v) {
    v.bid = r.u64();
    v.ib = r.u64();
}

void read(LeReader& r, Root& v) {
    v.dwReserved = r.u32();
    v.ibFileEof = r.u64();
    v.ibAMapLast = r.u64();
    v.cbAMapFree = r.u64();
    v.cbPMapFree = r.u64();
    read(r, v.brefNbt);
    read(r, v.brefBbt);
    v.fAMapValid = r.u8();
    v.bReserved = r.u8();
    v.wReserved = r.u16();
}

void read(LeReader& r, Header& v) {
    v.dwMagic = r.u32();
    v.dwCRCPartial = r.u32();
    v.wMagicClient = r.u16();
    v.wVer = r.u16();
    v.wVerClient = r.u16();
    v.bPlatformCreate = r.u8();
    v.bPlatformAccess = r.u8();
    v.dwReserved1 = r.u32();
    v.dwReserved2 = r.u32();
    v.bidUnused = r.u64();
    v.bidNextP = r.u64();
    v.dwUnique = r.u32();
    for (std::size_t i = 0; i < std::size(v.rgnid); ++i) {
        v.rgnid[i] = r.u32();
    }
    v.qwUnused = r.u64();
    read(r, v.root);
    v.dwAlign = r.u32();
    r.bytes(v.rgbFM);
    r.bytes(v.rgbFP);
    v.bSentinel = r.u8();
    v.bCryptMethod = r.u8();
    v.rgbReserved = r.u16();
    v.bidNextB = r.u64();
    v.dwCRCFull = r.u32();
    r.bytes(v.rgbReserved2);
    v.bReserved = r.u8();
    r.bytes(v.rgbReserved3);
}

void read(LeReader& r, PageTrailer& v) {
    v.ptype = r.u8();
    v.ptypeRepeat = r.u8();
    v.wSig = r.u16();
    v.dwCRC = r.u32();
    v.bid = r.u64();
}

void read(LeReader& r, MapPage& v) {
    r.bytes(v.rgb);
    read(r, v.trailer);
}

void read(LeReader& r, DListPage& v) {
    v.bFlags = r.u8();
    v.cEntDList = r.u8();
    v.wPadding = r.u16();
    v.ulCurrentPage = r.u32();
    for (std::size_t i = 0; i < std::size(v.rgDListPageEnt); ++i) {
        v.rgDListPageEnt[i] = r.u32();
    }
    r.bytes(v.rgPadding);
    read(r, v.trailer);
}

void read(LeReader& r, BtEntry& v) {
    v.btkey = r.u64();
    read(r, v.bref);
}

void read(LeReader& r, BbtEntry& v) {
    read(r, v.bref);
    v.cb = r.u16();
    v.cRef = r.u16();
    v.dwPadding = r.u32();
}

void read(LeReader& r, NbtEntry& v) {
    v.nid = r.u64();
    v.bidData = r.u64();
    v.bidSub = r.u64();
    v.nidParent = r.u32();
    v.dwPadding = r.u32();
}

void read(LeReader& r, BtPage& v) {
    r.bytes(v.rgentries);
    v.cEnt = r.u8();
    v.cEntMax = r.u8();
    v.cbEnt = r.u8();
    v.cLevel = r.u8();
    v.dwPadding = r.u32();
    read(r, v.trailer);
}

void read(LeReader& r, BlockTrailer& v) {
    v.cb = r.u16();
    v.wSig = r.u16();
    v.dwCRC = r.u32();
    v.bid = r.u64();
}

void read(LeReader& r, XBlockHeader& v) {
    v.btype = r.u8();
    v.cLevel = r.u8();
    v.cEnt = r.u16();
    v.lcbTotal = r.u32();
}

void read(LeReader& r, SBlockHeader& v) {
    v.btype = r.u8();
    v.cLevel = r.u8();
    v.cEnt = r.u16();
    v.dwPadding = r.u32();
}

void read(LeReader& r, SlEntry& v) {
    v.nid = r.u64();
    v.bidData = r.u64();
    v.bidSub = r.u64();
}

void read(LeReader& r, SiEntry& v) {
    v.nid = r.u64();
    v.bid = r.u64();
}

}  // namespace tolvane::pst::ndb::disk
