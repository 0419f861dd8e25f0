#pragma once

// The LTP layer's block writer held in memory, for testing it without a file: it keeps every
// block, data tree and subnode tree it is given, and checks the limits a real one enforces.

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "pst/ndb/BlockWriter.h"

namespace tolvane::pst::testing {

class MemoryBlockWriter : public ndb::BlockWriter {
  public:
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

    ndb::Bid writeBlock(std::span<const std::uint8_t> data) override { return externalBlock(data); }

    ndb::Bid writeIndexBlock(std::uint8_t level, std::span<const ndb::Bid> children,
                             std::uint64_t totalBytes) override {
        std::vector<ndb::Bid> leaves;
        std::uint64_t bytes = 0;
        for (ndb::Bid child : children) {
            const auto below = level == 1 ? std::vector<ndb::Bid>{child} : trees_.at(child.value);
            for (ndb::Bid leaf : below) {
                bytes += blocks_.at(leaf.value).size();
            }
            leaves.insert(leaves.end(), below.begin(), below.end());
        }
        if (children.empty() || bytes != totalBytes) {
            throw std::logic_error("index block over " + std::to_string(bytes) +
                                   " bytes says it holds " + std::to_string(totalBytes));
        }
        const ndb::Bid bid{nextBid() | 2};
        trees_[bid.value] = leaves;
        return bid;
    }

    std::unique_ptr<ndb::DataStream> beginData() override {
        struct Stream : ndb::DataStream {
            MemoryBlockWriter& db;
            std::vector<std::uint8_t> bytes;
            explicit Stream(MemoryBlockWriter& d) : db(d) {}
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
    std::map<std::uint64_t, std::vector<std::uint8_t>> blocks_;
    std::map<std::uint64_t, std::vector<ndb::Bid>> trees_;
    std::map<std::uint64_t, std::vector<ndb::SubnodeEntry>> subnodeTrees_;
};

}  // namespace tolvane::pst::testing
