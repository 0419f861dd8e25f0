#pragma once

// Little-endian integers ([MS-PST] 2.1: every integer on disk is little-endian), the one home
// of the writer's byte order: put/get at a given offset, for fields filled in place, and
// writers and readers at a moving offset, so a struct's field order is its layout.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace tolvane::pst::ndb {

namespace le {

// The low `size` bytes of v at out[at].
inline void put(std::span<std::uint8_t> out, std::size_t at, std::uint64_t v, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
inline void put16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t v) {
    put(out, at, v, 2);
}
inline void put32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t v) {
    put(out, at, v, 4);
}

inline std::uint64_t get(std::span<const std::uint8_t> in, std::size_t at, std::size_t size) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i) {
        v |= static_cast<std::uint64_t>(in[at + i]) << (8 * i);
    }
    return v;
}
inline std::uint16_t get16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>(get(in, at, 2));
}
inline std::uint32_t get32(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint32_t>(get(in, at, 4));
}

}  // namespace le

class LeWriter {
  public:
    explicit LeWriter(std::span<std::uint8_t> out) : out_(out) {}

    LeWriter& u8(std::uint8_t v) { return put(v, 1); }
    LeWriter& u16(std::uint16_t v) { return put(v, 2); }
    LeWriter& u32(std::uint32_t v) { return put(v, 4); }
    LeWriter& u64(std::uint64_t v) { return put(v, 8); }
    LeWriter& bytes(std::span<const std::uint8_t> b) {
        need(b.size());
        for (std::uint8_t x : b) {
            out_[pos_++] = x;
        }
        return *this;
    }
    std::size_t offset() const { return pos_; }

  private:
    LeWriter& put(std::uint64_t v, std::size_t n) {
        need(n);
        le::put(out_, pos_, v, n);
        pos_ += n;
        return *this;
    }
    void need(std::size_t n) const {
        if (pos_ + n > out_.size()) {
            throw std::out_of_range("LeWriter: writing " + std::to_string(n) + " bytes at offset " +
                                    std::to_string(pos_) + " overruns a buffer of " +
                                    std::to_string(out_.size()));
        }
    }

    std::span<std::uint8_t> out_;
    std::size_t pos_ = 0;
};

class LeReader {
  public:
    explicit LeReader(std::span<const std::uint8_t> in) : in_(in) {}

    std::uint8_t u8() { return static_cast<std::uint8_t>(get(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(get(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(get(4)); }
    std::uint64_t u64() { return get(8); }
    void bytes(std::span<std::uint8_t> out) {
        need(out.size());
        for (std::uint8_t& x : out) {
            x = in_[pos_++];
        }
    }
    std::size_t offset() const { return pos_; }

  private:
    std::uint64_t get(std::size_t n) {
        need(n);
        const std::uint64_t v = le::get(in_, pos_, n);
        pos_ += n;
        return v;
    }
    void need(std::size_t n) const {
        if (pos_ + n > in_.size()) {
            throw std::out_of_range("LeReader: reading " + std::to_string(n) + " bytes at offset " +
                                    std::to_string(pos_) + " overruns a buffer of " +
                                    std::to_string(in_.size()));
        }
    }

    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
};

}  // namespace tolvane::pst::ndb
