// Whatever the bytes, the checker finishes and says what is wrong (ASan and UBSan watch the
// reads); any changed byte of block data is caught by that block's CRC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>

#include "TestHelpers.h"

namespace tolvane::pstcheck::test {
namespace {

class Robustness : public SampleCopy {};

TEST_F(Robustness, EveryFlippedDataByteIsTheCrcErrorOfItsBlock) {
    ASSERT_TRUE(load("pstsdk-sample1"));
    std::mt19937 random(20261207);
    const auto original = bytes();
    for (const auto& [bid, e] : image_->trees().bbt) {
        if (e.cb == 0) {
            continue;
        }
        const std::size_t at_ = e.ib + random() % e.cb;
        bytes().at(at_) ^= static_cast<std::uint8_t>(1 + random() % 255);
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has("BLOCKTRAILER", "dwCRC", "bid " + hex(bid) + " "))
            << "byte " << hex(at_) << "\n"
            << problems(r);
        bytes() = original;
    }
}

// True when a problem's location names the structure at ib ("at 0x4400", not "at 0x44000").
bool namesPlace(const CheckResult& r, std::uint64_t ib) {
    const std::string place = at(ib);
    for (const Problem& p : r.report.problems()) {
        for (std::size_t pos = p.location.find(place); pos != std::string::npos;
             pos = p.location.find(place, pos + 1)) {
            const std::size_t end = pos + place.size();
            if (end == p.location.size() ||
                !std::isxdigit(static_cast<unsigned char>(p.location[end]))) {
                return true;
            }
        }
    }
    return false;
}

// The places a check must still name when these ranges are damaged: a damaged header may
// lead the walk anywhere, so then only the header (only dwMagic once that is gone);
// otherwise every damaged map page, every damaged B-tree page below no damaged page, and
// every damaged block while the BBT is whole.
std::set<std::uint64_t> reachable(const std::vector<const PstImage::CheckedRange*>& hit) {
    using Kind = PstImage::CheckedRange::Kind;
    std::set<std::uint64_t> pages, bbtPages, header, out;
    for (const auto* h : hit) {
        if (h->kind == Kind::Header) {
            header.insert(h->namedAt);
        } else if (h->kind == Kind::NbtPage || h->kind == Kind::BbtPage) {
            pages.insert(h->ib);
            if (h->kind == Kind::BbtPage) {
                bbtPages.insert(h->ib);
            }
        }
    }
    if (header.contains(0)) {
        return {0};  // no PST at all: nothing else is read
    }
    if (!header.empty()) {
        return header;
    }
    for (const auto* h : hit) {
        const bool hidden = std::any_of(h->above.begin(), h->above.end(),
                                        [&](std::uint64_t ib) { return pages.contains(ib); });
        if (h->kind == Kind::MapPage ||
            ((h->kind == Kind::NbtPage || h->kind == Kind::BbtPage) && !hidden) ||
            (h->kind == Kind::Block && bbtPages.empty())) {
            out.insert(h->namedAt);
        }
    }
    return out;
}

// Damage anywhere a check covers: the walk goes on to the end (ASan and UBSan watch every
// read) and names every damaged structure it can still reach.
TEST_F(Robustness, RandomDamageNeverStopsTheWalkAndNamesWhatWasHit) {
    ASSERT_TRUE(load("outlook-empty"));
    std::mt19937 random(7);
    const auto original = bytes();
    const auto ranges = image_->checkedRanges();
    ASSERT_GT(ranges.size(), 50u);
    std::size_t named = 0;
    for (int round = 0; round < 400; ++round) {
        const int hits = round < 200 ? 1 : 2 + static_cast<int>(random() % 31);
        std::vector<const PstImage::CheckedRange*> hit;
        for (int i = 0; i < hits; ++i) {
            const auto& range = ranges[random() % ranges.size()];
            const std::uint64_t at_ = range.ib + random() % range.size;
            const auto value = static_cast<std::uint8_t>(random());
            if (bytes().at(at_) != value) {
                bytes().at(at_) = value;
                hit.push_back(&range);
            }
        }
        const CheckResult r = image_->check();
        const std::set<std::uint64_t> places = reachable(hit);
        if (!places.contains(0)) {  // dwMagic intact: the file is read as a PST
            EXPECT_EQ(r.outcome, CheckResult::Outcome::Checked) << "round " << round;
        }
        if (!hit.empty()) {
            EXPECT_FALSE(places.empty()) << "round " << round;
        }
        for (const std::uint64_t ib : places) {
            EXPECT_TRUE(namesPlace(r, ib))
                << "round " << round << " (" << hit.size() << " hits): nothing " << at(ib) << "\n"
                << problems(r);
            ++named;
        }
        bytes() = original;
    }
    EXPECT_GT(named, 500u);
}

}  // namespace
}  // namespace tolvane::pstcheck::test
