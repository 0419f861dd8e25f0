#pragma once

// Little-endian fields appended to a byte buffer: the calendar blobs (TZDEFINITION,
// TZSTRUCT, recurrence patterns) are sequences of such fields with no alignment.

#include <cstdint>
#include <string>
#include <string_view>

#include "mapi/PropValue.h"

namespace tolvane::calendar {

class BlobWriter {
  public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void raw(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    void raw(const mapi::Bytes& b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    // UTF-16LE code units, no terminator.
    void utf16(const std::u16string& text) {
        for (const char16_t c : text) {
            u16(static_cast<std::uint16_t>(c));
        }
    }

    std::size_t size() const { return bytes_.size(); }
    mapi::Bytes take() { return std::move(bytes_); }

  private:
    mapi::Bytes bytes_;
};

}  // namespace tolvane::calendar
