#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestFiles.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ndb::test {

// A database on a fresh file; closeAndInspect() closes it, checks it and reads it back
// independently.
class NdbFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("test.pst");
        db = NodeDatabase::create(path);
    }

    pstcheck::PstReader closeAndInspect() {
        db->close();
        pstcheck::PstReader file = inspect(path);
        EXPECT_EQ(pffinfo(path).status, 0) << pffinfo(path).output;
        return file;
    }

    static std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed = 1) {
        std::vector<std::uint8_t> out(size);
        std::uint32_t x = seed * 2654435761u + 1;
        for (auto& b : out) {
            x = x * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(x >> 16);
        }
        return out;
    }

    Nid newNode(std::span<const std::uint8_t> data, Nid parent = Nid{0x122}) {
        const Nid nid = db->allocateNid(NidType::NormalMessage);
        db->setNode({nid, db->writeData(data), Bid{}, parent});
        return nid;
    }

    TempDir dir;
    std::filesystem::path path;
    std::unique_ptr<NodeDatabase> db;
};

}  // namespace tolvane::pst::ndb::test
