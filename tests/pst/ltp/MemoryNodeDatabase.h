#pragma once

// A node database held in memory, for testing the LTP layer without a file: it keeps every
// block, data tree and subnode tree it is given, and checks the limits a real one enforces.

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::testing {

class MemoryNodeDatabase : public ndb::NodeDatabase {
  public:
    ndb::Nid allocateNid(ndb::NidType type) override {
        return ndb::Nid::make(type, ++counters_[static_cast<int>(type)]);
    }

    ndb::Bid writeBlocks(std::span<const std::vector<std::uint8_t>> blocks) override {
        if (blocks.empty()) {
            return externalBlock({});
        }
        if (blocks.size() == 1) {
            return externalBlock(blocks[0]);
        }
        std::vector<ndb::Bid> children;
        for (const auto& b : blocks) {
            children.push_back(externalBlock(b));
        }
        const ndb::Bid bid{nextBid() | 2};
        trees_[bid.value] = children;
        return bid;
    }

    ndb::Bid writeData(std::span<const std::uint8_t> bytes) override {
        std::vector<std::vector<std::uint8_t>> blocks;
        for (std::size_t at = 0; at < bytes.size() || blocks.empty(); at += ndb::kMaxBlockData) {
            const auto n = std::min(ndb::kMaxBlockData, bytes.size() - at);
            blocks.emplace_back(bytes.begin() + static_cast<long>(at),
                                bytes.begin() + static_cast<long>(at + n));
        }
        return writeBlocks(blocks);
    }

    std::unique_ptr<ndb::DataStream> beginData() override {
        struct Stream : ndb::DataStream {
            MemoryNodeDatabase& db;
            std::vector<std::uint8_t> bytes;
            explicit Stream(MemoryNodeDatabase& d) : db(d) {}
            void append(std::span<const std::uint8_t> b) override {
                bytes.insert(bytes.end(), b.begin(), b.end());
            }
            std::uint64_t size() const override { return bytes.size(); }
            ndb::Bid finish() override { return db.writeData(bytes); }
        };
        return std::make_unique<Stream>(*this);
    }

    ndb::Bid writeSubnodes(std::span<const ndb::SubnodeEntry> entries) override {
        std::vector<ndb::SubnodeEntry> sorted(entries.begin(), entries.end());
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.nid < b.nid; });
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            if (sorted[i].nid == sorted[i - 1].nid) {
                throw std::logic_error("subnode id used twice");
            }
        }
        const ndb::Bid bid{nextBid() | 2};
        subnodeTrees_[bid.value] = sorted;
        return bid;
    }

    void setNode(const ndb::NodeEntry& node) override { nodes_[node.nid.value] = node; }
    void deleteNode(ndb::Nid nid) override { nodes_.erase(nid.value); }
    std::optional<ndb::NodeEntry> findNode(ndb::Nid nid) const override {
        auto it = nodes_.find(nid.value);
        return it == nodes_.end() ? std::nullopt : std::optional(it->second);
    }
    void commit() override {}
    void close() override {}
    void abandon() override {}

    // The external blocks of a data tree, in order.
    std::vector<std::vector<std::uint8_t>> blocks(ndb::Bid bid) const {
        if (auto tree = trees_.find(bid.value); tree != trees_.end()) {
            std::vector<std::vector<std::uint8_t>> out;
            for (ndb::Bid child : tree->second) {
                out.push_back(blocks_.at(child.value));
            }
            return out;
        }
        return {blocks_.at(bid.value)};
    }
    std::vector<std::uint8_t> bytes(ndb::Bid bid) const {
        std::vector<std::uint8_t> out;
        for (const auto& b : blocks(bid)) {
            out.insert(out.end(), b.begin(), b.end());
        }
        return out;
    }
    std::vector<ndb::SubnodeEntry> subnodes(ndb::Bid bid) const {
        return bid.isNull() ? std::vector<ndb::SubnodeEntry>{} : subnodeTrees_.at(bid.value);
    }

  private:
    std::uint64_t nextBid() { return bid_ += 4; }
    ndb::Bid externalBlock(std::span<const std::uint8_t> bytes) {
        if (bytes.size() > ndb::kMaxBlockData) {
            throw std::logic_error("block larger than 8176 bytes");
        }
        const ndb::Bid bid{nextBid()};
        blocks_[bid.value].assign(bytes.begin(), bytes.end());
        return bid;
    }

    std::uint64_t bid_ = 0;
    std::map<int, std::uint32_t> counters_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> blocks_;
    std::map<std::uint64_t, std::vector<ndb::Bid>> trees_;
    std::map<std::uint64_t, std::vector<ndb::SubnodeEntry>> subnodeTrees_;
    std::map<std::uint32_t, ndb::NodeEntry> nodes_;
};

}  // namespace tolvane::pst::testing
