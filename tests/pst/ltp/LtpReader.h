#pragma once

// The LTP tests read what the writer made through pstcheck's reader, which shares no code with
// the writer, straight out of the in-memory node database: every problem the reader finds in a
// heap, BTH, PC or TC fails the test where it is read.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "MemoryBlockWriter.h"
#include "pstcheck/Report.h"
#include "pstcheck/ltp/Bth.h"
#include "pstcheck/ltp/Heap.h"
#include "pstcheck/ltp/LtpNode.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"
#include "pstcheck/ndb/BlockSource.h"

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

inline ByteVec u32le(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

inline std::string problemText(const pstcheck::Report& report) {
    std::string out;
    for (const auto& p : report.problems()) {
        out += pstcheck::format(p) + "\n";
    }
    return out;
}

// Fails the test with what the reader found, and throws when it could not read at all.
template <typename T>
T readOrThrow(std::optional<T> value, const pstcheck::Report& report, const char* what) {
    EXPECT_TRUE(report.empty()) << what << ":\n" << problemText(report);
    if (!value) {
        throw std::runtime_error(std::string("cannot read ") + what + ":\n" + problemText(report));
    }
    return std::move(*value);
}

// The in-memory node database as the reader's block source.
class MemoryBlocks : public pstcheck::BlockSource {
  public:
    MemoryBlocks(const MemoryBlockWriter& db, pstcheck::Report& report) : db_(db), r_(report) {}

    std::optional<std::vector<std::vector<std::uint8_t>>> leaves(std::uint64_t bid,
                                                                 const std::string& from) override {
        try {
            return db_.blocks(ndb::Bid{bid});
        } catch (const std::out_of_range&) {
            r_.add("BBT", "bid", "block " + pstcheck::hex(bid) + " was never written", from);
            return std::nullopt;
        }
    }

    pstcheck::SubnodeMap subnodes(std::uint64_t bid, const std::string& from) override {
        pstcheck::SubnodeMap out;
        try {
            for (const auto& e : db_.subnodes(ndb::Bid{bid})) {
                out[e.nid.value] = {e.nid.value, e.data.value, e.subnodes.value};
            }
        } catch (const std::out_of_range&) {
            r_.add("SLBLOCK", "bid", "subnode tree " + pstcheck::hex(bid) + " was never written",
                   from);
        }
        return out;
    }

  private:
    const MemoryBlockWriter& db_;
    pstcheck::Report& r_;
};

inline pstcheck::Heap readHeap(const std::vector<ByteVec>& blocks) {
    pstcheck::Report report;
    return readOrThrow(pstcheck::Heap::open(blocks, "heap", report), report, "heap");
}

inline ByteVec item(const pstcheck::Heap& heap, std::uint32_t hid) {
    const auto bytes = heap.item(hid);
    if (!bytes) {
        throw std::runtime_error("no heap item " + pstcheck::hex(hid));
    }
    return ByteVec(bytes->begin(), bytes->end());
}

struct ReadBth {
    int levels = 0;
    std::vector<std::pair<std::uint64_t, ByteVec>> records;  // key, data
};

inline ReadBth readBth(const pstcheck::Heap& heap, std::uint32_t hid, int cbKey, int cbEnt) {
    pstcheck::Report report;
    const auto bth = readOrThrow(pstcheck::readBth(heap, hid, static_cast<std::uint8_t>(cbKey),
                                                   static_cast<std::uint8_t>(cbEnt), report),
                                 report, "BTH");
    ReadBth out{bth.levels, {}};
    for (const auto& r : bth.records) {
        out.records.emplace_back(r.key, ByteVec(r.data.begin(), r.data.end()));
    }
    return out;
}

struct PcValue {
    std::uint16_t type = 0;
    ByteVec bytes;  // inline values: their 4 bytes
};

struct ReadTable {
    struct Column {
        std::uint32_t tag;
        std::uint16_t ib;
        std::uint8_t cb;
        std::uint8_t bit;
    };
    std::vector<Column> columns;
    std::array<std::uint16_t, 4> rgib{};
    std::map<std::uint32_t, std::uint32_t> rowIndex;     // row id -> position
    std::vector<std::map<std::uint32_t, ByteVec>> rows;  // by position: tag -> cell value
    bool matrixInSubnode = false;
};

// One node of the database (its data tree and subnodes) as the reader sees it.
class LtpRead {
  public:
    LtpRead(const MemoryBlockWriter& db, ndb::Bid data, ndb::Bid sub)
        : data_(data.value),
          sub_(sub.value),
          report_(std::make_unique<pstcheck::Report>()),
          source_(std::make_unique<MemoryBlocks>(db, *report_)),
          node_(readOrThrow(
              pstcheck::LtpNode::open(*source_, data.value, sub.value, "node", *report_), *report_,
              "node")) {}

    const pstcheck::Heap& heap() const { return node_.heap(); }
    std::size_t subnodeCount() const { return node_.subnodes().size(); }
    ReadBth bth(std::uint32_t hid, int cbKey, int cbEnt) const {
        return readBth(heap(), hid, cbKey, cbEnt);
    }

    std::map<std::uint16_t, PcValue> pc() const {
        const auto pc = readOrThrow(
            pstcheck::PropertyContext::open(*source_, data(), sub(), "property context", *report_),
            *report_, "property context");
        std::map<std::uint16_t, PcValue> out;
        for (const auto& [id, entry] : pc.entries()) {
            out[id] = {entry.type, readOrThrow(pc.value(id), *report_, "property value")};
        }
        return out;
    }

    ReadTable tc() const {
        const auto tc = readOrThrow(
            pstcheck::TableContext::open(*source_, data(), sub(), "table context", *report_),
            *report_, "table context");
        ReadTable out;
        for (const auto& c : tc.columns()) {
            out.columns.push_back({c.tag, c.ib, c.cb, c.iBit});
        }
        out.rgib = tc.groupEnds();
        out.rowIndex = tc.rowIndex();
        out.matrixInSubnode = tc.matrixInSubnode();
        for (std::size_t row = 0; row < tc.rows(); ++row) {
            std::map<std::uint32_t, ByteVec> cells;
            for (const auto& c : tc.columns()) {
                if (auto cell = tc.cellBytes(row, c.tag)) {
                    cells[c.tag] = std::move(*cell);
                }
            }
            out.rows.push_back(std::move(cells));
        }
        EXPECT_TRUE(report_->empty()) << problemText(*report_);
        return out;
    }

  private:
    std::uint64_t data() const { return data_; }
    std::uint64_t sub() const { return sub_; }

    std::uint64_t data_ = 0, sub_ = 0;
    std::unique_ptr<pstcheck::Report> report_;
    std::unique_ptr<MemoryBlocks> source_;
    pstcheck::LtpNode node_;
};

}  // namespace tolvane::pst::testing
