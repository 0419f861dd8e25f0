#pragma once

// One B-tree of the NDB (NBT or BBT, [MS-PST] 2.2.2.7.7) kept in memory as its pages, each page
// remembering where the last commit wrote it. A change marks the pages on its path; a commit
// writes only those, children first, into fresh space (copy on write), and reports the places
// of the pages it replaced or dropped so they are freed once the new state is the file's.
// Once a commit is the file's, the pages it wrote may leave memory (dropCleanPages): they are
// read back from the file when next reached, so memory holds the pages in use and the path to
// the tree's end rather than one entry per block and node of the whole file.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

#include "pst/PstError.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/PageWriter.h"

namespace tolvane::pst::ndb {

// Traits: `Entry` (compact, in memory), `static std::uint64_t key(const Entry&)`,
// `static void encode(const Entry&, std::span<std::uint8_t> out)`,
// `static Entry decode(std::span<const std::uint8_t> in)`, `kPtype`, `kLeafMax`,
// `kLeafEntrySize`.
template <class Traits>
class CowBTree {
  public:
    using Entry = typename Traits::Entry;
    // Fills `page` with the 512 bytes at file offset `ib`.
    using PageReader = std::function<void(std::uint64_t ib, PageBytes& page)>;

    CowBTree() : root_(std::make_unique<Node>(0)) {}

    const Entry* find(std::uint64_t key) const {
        Node* n = root_.get();
        for (load(*n); n->level > 0; load(*n)) {
            n = n->children[childFor(*n, key)].get();
        }
        const auto it = lowerBound(*n, key);
        return it != n->entries.end() && Traits::key(*it) == key ? &*it : nullptr;
    }

    // The entry to change in place; marks its pages for the next commit. Null when absent.
    Entry* modify(std::uint64_t key) {
        if (!find(key)) {
            return nullptr;
        }
        Node* n = root_.get();
        for (;;) {
            load(*n);
            n->dirty = true;
            if (n->level == 0) {
                return &*lowerBound(*n, key);
            }
            n = n->children[childFor(*n, key)].get();
        }
    }

    // False, changing nothing, when the key is there already.
    bool insert(const Entry& entry) {
        bool inserted = false;
        if (auto split = insertInto(*root_, entry, inserted)) {
            auto root = std::make_unique<Node>(static_cast<std::uint8_t>(root_->level + 1));
            root->keys = {firstKey(*root_), split->key};
            root->children.push_back(std::move(root_));
            root->children.push_back(std::move(split->node));
            root_ = std::move(root);
        }
        size_ += inserted ? 1 : 0;
        return inserted;
    }

    bool erase(std::uint64_t key) {
        if (!find(key)) {
            return false;
        }
        eraseFrom(*root_, key);
        --size_;
        // A root left with one child hands over to it.
        while (load(*root_), root_->level > 0 && root_->children.size() <= 1) {
            dropPage(*root_);
            root_ = root_->children.empty() ? std::make_unique<Node>(0)
                                            : std::move(root_->children.front());
        }
        return true;
    }

    std::size_t size() const { return size_; }

    template <class F>
    void forEach(F&& f) const {
        forEachIn(*root_, f);
    }

    // Writes every page changed since the last commit and returns the root. Places of pages
    // the last commit wrote and this state no longer uses are added to `released`.
    disk::Bref commit(PageWriter& pages, std::vector<std::uint64_t>& released) {
        released.insert(released.end(), dropped_.begin(), dropped_.end());
        dropped_.clear();
        return writeNode(*root_, pages, released);
    }

    std::size_t depth() const { return std::size_t{root_->level} + 1; }

    // Lets every page the last commit wrote, and nothing changed since, leave memory with all
    // below it, but the root and the path to the last leaf, where a growing tree takes its new
    // entries; `reader` reads a page back when it is next reached. Only once that commit is
    // the file's: a page is read back from the place its parent names.
    void dropCleanPages(PageReader reader) {
        reader_ = std::move(reader);
        dropCleanPagesBelow(*root_, true);
    }

  private:
    struct Node {
        explicit Node(std::uint8_t lvl) : level(lvl) {}
        std::uint8_t level;
        bool dirty = true;
        bool onlyInFile = false;          // its entries or children are read back when reached
        disk::Bref disk{};                // bid 0: never written
        std::vector<Entry> entries;       // a leaf's
        std::vector<std::uint64_t> keys;  // an index page's: first key of each child
        std::vector<std::unique_ptr<Node>> children;
    };
    struct Split {
        std::uint64_t key;
        std::unique_ptr<Node> node;
    };

    static auto lowerBound(const Node& n, std::uint64_t key) {
        return std::lower_bound(n.entries.begin(), n.entries.end(), key,
                                [](const Entry& e, std::uint64_t k) { return Traits::key(e) < k; });
    }
    static auto lowerBound(Node& n, std::uint64_t key) {
        return std::lower_bound(n.entries.begin(), n.entries.end(), key,
                                [](const Entry& e, std::uint64_t k) { return Traits::key(e) < k; });
    }
    static std::size_t childFor(const Node& n, std::uint64_t key) {
        const auto it = std::upper_bound(n.keys.begin(), n.keys.end(), key);
        return it == n.keys.begin() ? 0 : static_cast<std::size_t>(it - n.keys.begin()) - 1;
    }
    static std::uint64_t firstKey(const Node& n) {
        return n.level == 0 ? (n.entries.empty() ? 0 : Traits::key(n.entries.front()))
                            : n.keys.front();
    }
    static std::size_t capacity(const Node& n) {
        return n.level == 0 ? Traits::kLeafMax : disk::value::kBtIndexMax;
    }
    static std::size_t count(const Node& n) {
        return n.level == 0 ? n.entries.size() : n.children.size();
    }

    // A page that overflows splits; one filled by appending keeps its entries and starts a
    // new page with the last, so trees that grow at their end stay full.
    static std::unique_ptr<Split> splitIfFull(Node& n, std::size_t insertedAt) {
        if (count(n) <= capacity(n)) {
            return nullptr;
        }
        const std::size_t keep = insertedAt + 1 == count(n) ? count(n) - 1 : count(n) / 2;
        auto right = std::make_unique<Node>(n.level);
        if (n.level == 0) {
            right->entries.assign(n.entries.begin() + static_cast<std::ptrdiff_t>(keep),
                                  n.entries.end());
            n.entries.resize(keep);
            n.entries.shrink_to_fit();
        } else {
            right->keys.assign(n.keys.begin() + static_cast<std::ptrdiff_t>(keep), n.keys.end());
            for (std::size_t i = keep; i < n.children.size(); ++i) {
                right->children.push_back(std::move(n.children[i]));
            }
            n.keys.resize(keep);
            n.children.resize(keep);
        }
        const std::uint64_t key = firstKey(*right);
        return std::make_unique<Split>(Split{key, std::move(right)});
    }

    std::unique_ptr<Split> insertInto(Node& n, const Entry& entry, bool& inserted) {
        const std::uint64_t key = Traits::key(entry);
        load(n);
        if (n.level == 0) {
            const auto it = lowerBound(n, key);
            if (it != n.entries.end() && Traits::key(*it) == key) {
                return nullptr;
            }
            const auto at = static_cast<std::size_t>(it - n.entries.begin());
            n.entries.insert(it, entry);
            n.dirty = true;
            inserted = true;
            return splitIfFull(n, at);
        }
        const std::size_t c = childFor(n, key);
        auto split = insertInto(*n.children[c], entry, inserted);
        if (!inserted) {
            return nullptr;
        }
        n.dirty = true;
        n.keys[c] = firstKey(*n.children[c]);
        if (!split) {
            return nullptr;
        }
        n.keys.insert(n.keys.begin() + static_cast<std::ptrdiff_t>(c + 1), split->key);
        n.children.insert(n.children.begin() + static_cast<std::ptrdiff_t>(c + 1),
                          std::move(split->node));
        return splitIfFull(n, c + 1);
    }

    void eraseFrom(Node& n, std::uint64_t key) {
        load(n);
        n.dirty = true;
        if (n.level == 0) {
            n.entries.erase(lowerBound(n, key));
            return;
        }
        const std::size_t c = childFor(n, key);
        Node& child = *n.children[c];
        eraseFrom(child, key);
        if (count(child) == 0) {
            dropPage(child);
            n.children.erase(n.children.begin() + static_cast<std::ptrdiff_t>(c));
            n.keys.erase(n.keys.begin() + static_cast<std::ptrdiff_t>(c));
            return;
        }
        n.keys[c] = firstKey(child);
        // Neighbours that fit one page become one, so deletions leave no half-empty pages.
        for (const std::size_t left : {c, c > 0 ? c - 1 : c}) {
            if (left + 1 < n.children.size()) {
                load(*n.children[left]);
                load(*n.children[left + 1]);
            }
            if (left + 1 < n.children.size() &&
                count(*n.children[left]) + count(*n.children[left + 1]) <= capacity(child)) {
                mergeInto(*n.children[left], *n.children[left + 1]);
                dropPage(*n.children[left + 1]);
                n.children.erase(n.children.begin() + static_cast<std::ptrdiff_t>(left + 1));
                n.keys.erase(n.keys.begin() + static_cast<std::ptrdiff_t>(left + 1));
                return;
            }
        }
    }

    static void mergeInto(Node& left, Node& right) {
        left.dirty = true;
        if (left.level == 0) {
            left.entries.insert(left.entries.end(), right.entries.begin(), right.entries.end());
            return;
        }
        left.keys.insert(left.keys.end(), right.keys.begin(), right.keys.end());
        for (auto& child : right.children) {
            left.children.push_back(std::move(child));
        }
    }

    void dropPage(const Node& n) {
        if (n.disk.bid != 0) {
            dropped_.push_back(n.disk.ib);
        }
    }

    template <class F>
    void forEachIn(Node& n, F& f) const {
        load(n);
        if (n.level == 0) {
            for (const Entry& e : n.entries) {
                f(e);
            }
            return;
        }
        for (const auto& child : n.children) {
            forEachIn(*child, f);
        }
    }

    disk::Bref writeNode(Node& n, PageWriter& pages, std::vector<std::uint64_t>& released) {
        if (!n.dirty) {
            return n.disk;
        }
        PageBytes page{};
        std::size_t entrySize = Traits::kLeafEntrySize;
        if (n.level == 0) {
            for (std::size_t i = 0; i < n.entries.size(); ++i) {
                Traits::encode(n.entries[i], std::span(page).subspan(i * entrySize, entrySize));
            }
        } else {
            entrySize = sizeof(disk::BtEntry);
            for (std::size_t i = 0; i < n.children.size(); ++i) {
                const disk::Bref child = writeNode(*n.children[i], pages, released);
                if (!n.children[i]->onlyInFile) {  // unchanged since written: so is its key
                    n.keys[i] = firstKey(*n.children[i]);
                }
                disk::writeAt(std::span(page).subspan(i * entrySize),
                              disk::BtEntry{n.keys[i], child});
            }
        }
        if (n.level >= disk::value::kMaxBtLevels) {
            throw std::logic_error("B-tree deeper than the 8 levels BTPAGE cLevel allows");
        }
        disk::BtPage tail;  // only the fields after rgentries are taken from it
        tail.cEnt = static_cast<std::uint8_t>(count(n));
        tail.cEntMax = static_cast<std::uint8_t>(capacity(n));
        tail.cbEnt = static_cast<std::uint8_t>(entrySize);
        tail.cLevel = n.level;
        const auto tailBytes = disk::toBytes(tail);
        std::copy(tailBytes.begin() + 488, tailBytes.begin() + 496, page.begin() + 488);
        const disk::Bref placed = pages.writeBTreePage(page, Traits::kPtype);
        if (n.disk.bid != 0) {
            released.push_back(n.disk.ib);
        }
        n.disk = placed;
        n.dirty = false;
        return placed;
    }

    // Reads a page back, checking that it is the one its parent names; an index page's children
    // stay in the file until reached.
    void load(Node& n) const {
        if (!n.onlyInFile) {
            return;
        }
        PageBytes page{};
        reader_(n.disk.ib, page);
        const auto tail = disk::fromBytes<disk::BtPage>(page);
        const bool leaf = n.level == 0;
        const std::size_t entrySize = leaf ? Traits::kLeafEntrySize : sizeof(disk::BtEntry);
        if (tail.trailer.ptype != Traits::kPtype || tail.trailer.bid != n.disk.bid ||
            tail.cLevel != n.level || tail.cEnt == 0 || tail.cEnt > capacity(n) ||
            tail.cbEnt != entrySize) {
            throw PstError("B-tree page read back at " + std::to_string(n.disk.ib) +
                           ": BTPAGE is not the page written there (bid " +
                           std::to_string(tail.trailer.bid) + ", cLevel " +
                           std::to_string(tail.cLevel) + ", cEnt " + std::to_string(tail.cEnt) +
                           ")");
        }
        const std::span<const std::uint8_t> entries(page);
        for (std::size_t i = 0; i < tail.cEnt; ++i) {
            const auto entry = entries.subspan(i * entrySize, entrySize);
            if (leaf) {
                n.entries.push_back(Traits::decode(entry));
                continue;
            }
            const auto e = disk::fromBytes<disk::BtEntry>(entry);
            auto child = std::make_unique<Node>(static_cast<std::uint8_t>(n.level - 1));
            child->dirty = false;
            child->onlyInFile = true;
            child->disk = e.bref;
            n.keys.push_back(e.btkey);
            n.children.push_back(std::move(child));
        }
        n.onlyInFile = false;
    }

    void dropCleanPagesBelow(Node& n, bool onLastPath) {
        for (std::size_t i = 0; i < n.children.size(); ++i) {
            Node& child = *n.children[i];
            const bool last = onLastPath && i + 1 == n.children.size();
            if (!last && !child.dirty && !child.onlyInFile && child.disk.bid != 0) {
                child.entries.clear();
                child.entries.shrink_to_fit();
                child.keys.clear();
                child.keys.shrink_to_fit();
                child.children.clear();
                child.children.shrink_to_fit();
                child.onlyInFile = true;
            } else if (child.level > 0) {
                dropCleanPagesBelow(child, last);
            }
        }
    }

    std::unique_ptr<Node> root_;
    PageReader reader_;
    std::size_t size_ = 0;
    std::vector<std::uint64_t> dropped_;  // pages of the last commit no longer in the tree
};

}  // namespace tolvane::pst::ndb
