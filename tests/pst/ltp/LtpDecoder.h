#pragma once

// A small LTP reader for the tests, written from [MS-PST] 2.3 with raw offsets: it shares no
// structure or code with the writer, so a fault in the writer cannot cancel itself out here.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "MemoryNodeDatabase.h"

namespace tolvane::pst::testing {

using ByteVec = std::vector<std::uint8_t>;

inline std::uint32_t le(const ByteVec& b, std::size_t at, int size) {
    if (at + static_cast<std::size_t>(size) > b.size()) {
        throw std::out_of_range("read past the end of " + std::to_string(b.size()) + " bytes");
    }
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) {
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    }
    return v;
}

// A heap on node, every item split out by its page map, with the checks a reader makes.
struct DecodedHeap {
    std::uint8_t clientSig = 0;
    std::uint32_t userRoot = 0;
    std::vector<std::vector<ByteVec>> items;  // [block][index - 1]
    std::vector<std::uint16_t> pageMapOffsets;

    explicit DecodedHeap(const std::vector<ByteVec>& blocks) {
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const ByteVec& block = blocks[b];
            if (block.size() > 8176) {
                throw std::runtime_error("heap block larger than 8176");
            }
            const std::uint32_t ibHnpm = le(block, 0, 2);
            if (ibHnpm % 2 != 0) {
                throw std::runtime_error("page map on an odd offset");
            }
            const std::uint32_t cAlloc = le(block, ibHnpm, 2);
            // The last block ends with its page map; the others are padded to 8176 bytes.
            const bool last = b + 1 == blocks.size();
            if ((last && ibHnpm + 4 + 2 * (cAlloc + 1) != block.size()) ||
                (!last && (block.size() != 8176 || ibHnpm + 4 + 2 * (cAlloc + 1) > 8176))) {
                throw std::runtime_error("block " + std::to_string(b) + " has the wrong size");
            }
            // Items start after HNHDR (12), HNBITMAPHDR (66, blocks 8, 136, ...) or HNPAGEHDR (2).
            const std::uint32_t first = b == 0 ? 12 : ((b >= 8 && (b - 8) % 128 == 0) ? 66 : 2);
            std::vector<ByteVec> blockItems;
            std::uint32_t previous = first;
            for (std::uint32_t i = 0; i <= cAlloc; ++i) {
                const std::uint32_t at = le(block, ibHnpm + 4 + 2 * i, 2);
                if (at < previous || at > ibHnpm || (i == 0 && at != first)) {
                    throw std::runtime_error("page map offsets out of order");
                }
                if (i > 0) {
                    blockItems.emplace_back(block.begin() + previous, block.begin() + at);
                }
                previous = at;
            }
            items.push_back(std::move(blockItems));
            pageMapOffsets.push_back(static_cast<std::uint16_t>(ibHnpm));
        }
        if (blocks.empty() || blocks[0][2] != 0xEC) {
            throw std::runtime_error("no heap signature");
        }
        clientSig = blocks[0][3];
        userRoot = le(blocks[0], 4, 4);
    }

    const ByteVec& item(std::uint32_t hid) const {
        if ((hid & 0x1F) != 0 || ((hid >> 5) & 0x7FF) == 0) {
            throw std::runtime_error("not a HID: " + std::to_string(hid));
        }
        return items.at(hid >> 16).at(((hid >> 5) & 0x7FF) - 1);
    }
};

struct DecodedBth {
    int cbKey = 0;
    int cbEnt = 0;
    int levels = 0;
    std::vector<std::pair<ByteVec, ByteVec>> records;  // key, data
};

inline DecodedBth decodeBth(const DecodedHeap& heap, std::uint32_t hid) {
    const ByteVec& header = heap.item(hid);
    if (header.size() != 8 || header[0] != 0xB5) {
        throw std::runtime_error("bad BTHHEADER");
    }
    DecodedBth out{header[1], header[2], header[3], {}};
    auto walk = [&](auto&& self, std::uint32_t node, int level) -> void {
        if (node == 0) {
            return;
        }
        const ByteVec& data = heap.item(node);
        const std::size_t size = static_cast<std::size_t>(out.cbKey + (level > 0 ? 4 : out.cbEnt));
        if (data.size() % size != 0) {
            throw std::runtime_error("BTH item not a whole number of records");
        }
        for (std::size_t at = 0; at < data.size(); at += size) {
            ByteVec key(data.begin() + at, data.begin() + at + out.cbKey);
            if (level > 0) {
                self(self, le(data, at + out.cbKey, 4), level - 1);
            } else {
                out.records.emplace_back(
                    key, ByteVec(data.begin() + at + out.cbKey, data.begin() + at + size));
            }
        }
    };
    walk(walk, le(header, 4, 4), out.levels);
    for (std::size_t i = 1; i < out.records.size(); ++i) {
        const auto& a = out.records[i - 1].first;
        const auto& b = out.records[i].first;
        if (!std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend())) {
            throw std::runtime_error("BTH keys not ascending");
        }
    }
    return out;
}

// A node's content read back: heap plus the node's subnodes by NID.
struct DecodedNode {
    const MemoryNodeDatabase& db;
    DecodedHeap heap;
    std::map<std::uint32_t, ndb::SubnodeEntry> subnodes;

    DecodedNode(const MemoryNodeDatabase& database, ndb::Bid data, ndb::Bid sub)
        : db(database), heap(database.blocks(data)) {
        for (const auto& e : database.subnodes(sub)) {
            subnodes[e.nid.value] = e;
        }
    }

    ByteVec hnid(std::uint32_t value) const {
        if (value == 0) {
            return {};
        }
        if ((value & 0x1F) == 0) {
            return heap.item(value);
        }
        return db.bytes(subnodes.at(value).data);
    }
};

struct PcValue {
    std::uint16_t type = 0;
    ByteVec bytes;  // inline values: their 4 bytes
};

inline std::map<std::uint16_t, PcValue> decodePc(const DecodedNode& node) {
    if (node.heap.clientSig != 0xBC) {
        throw std::runtime_error("not a property context");
    }
    const DecodedBth bth = decodeBth(node.heap, node.heap.userRoot);
    if (bth.cbKey != 2 || bth.cbEnt != 6) {
        throw std::runtime_error("PC BTH has the wrong record size");
    }
    std::map<std::uint16_t, PcValue> out;
    for (const auto& [key, data] : bth.records) {
        const auto type = static_cast<std::uint16_t>(le(data, 0, 2));
        const std::uint32_t value = le(data, 2, 4);
        const bool isInline =
            type == 0x2 || type == 0x3 || type == 0x4 || type == 0xA || type == 0xB;
        out[static_cast<std::uint16_t>(le(key, 0, 2))] =
            PcValue{type, isInline ? ByteVec{data.begin() + 2, data.end()} : node.hnid(value)};
    }
    return out;
}

struct DecodedTable {
    struct Column {
        std::uint32_t tag;
        std::uint16_t ib;
        std::uint8_t cb;
        std::uint8_t bit;
    };
    std::vector<Column> columns;
    std::uint16_t rgib[4] = {};
    std::map<std::uint32_t, std::uint32_t> rowIndex;     // row id -> position
    std::vector<std::map<std::uint32_t, ByteVec>> rows;  // by position: tag -> cell value
    bool matrixInSubnode = false;
};

inline DecodedTable decodeTc(const DecodedNode& node) {
    if (node.heap.clientSig != 0x7C) {
        throw std::runtime_error("not a table context");
    }
    const ByteVec& info = node.heap.item(node.heap.userRoot);
    if (info[0] != 0x7C) {
        throw std::runtime_error("bad TCINFO");
    }
    DecodedTable out;
    for (int i = 0; i < 4; ++i) {
        out.rgib[i] = static_cast<std::uint16_t>(le(info, 2 + 2 * static_cast<std::size_t>(i), 2));
    }
    for (std::size_t c = 0; c < info[1]; ++c) {
        const std::size_t at = 22 + 8 * c;
        out.columns.push_back({le(info, at, 4), static_cast<std::uint16_t>(le(info, at + 4, 2)),
                               info[at + 6], info[at + 7]});
    }
    const DecodedBth index = decodeBth(node.heap, le(info, 10, 4));
    for (const auto& [key, data] : index.records) {
        out.rowIndex[le(key, 0, 4)] = le(data, 0, 4);
    }
    const std::uint32_t hnidRows = le(info, 14, 4);
    const std::size_t rowSize = out.rgib[3];
    std::vector<ByteVec> matrixBlocks;
    if (hnidRows != 0 && (hnidRows & 0x1F) == 0) {
        matrixBlocks.push_back(node.heap.item(hnidRows));
    } else if (hnidRows != 0) {
        out.matrixInSubnode = true;
        matrixBlocks = node.db.blocks(node.subnodes.at(hnidRows).data);
    }
    for (const ByteVec& block : matrixBlocks) {
        for (std::size_t at = 0; at + rowSize <= block.size(); at += rowSize) {
            const ByteVec row(block.begin() + at, block.begin() + at + rowSize);
            std::map<std::uint32_t, ByteVec> cells;
            for (const auto& col : out.columns) {
                if (!(row[out.rgib[2] + col.bit / 8] & (0x80 >> (col.bit % 8)))) {
                    continue;
                }
                ByteVec cell(row.begin() + col.ib, row.begin() + col.ib + col.cb);
                const std::uint16_t type = col.tag & 0xFFFF;
                const bool isInline = type == 0x2 || type == 0x3 || type == 0x4 || type == 0x5 ||
                                      type == 0x6 || type == 0x7 || type == 0xA || type == 0xB ||
                                      type == 0x14 || type == 0x40;
                cells[col.tag] = isInline ? cell : node.hnid(le(cell, 0, 4));
            }
            out.rows.push_back(std::move(cells));
        }
    }
    return out;
}

inline ByteVec u32le(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

}  // namespace tolvane::pst::testing
