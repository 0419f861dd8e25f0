#pragma once

#include "mapi/ByteSource.h"
#include "source/ItemBytes.h"

namespace tolvane::mailbox {

// An item's bytes, wherever its reader holds them, as the importers read a value's bytes.
class ItemByteSource final : public mapi::ByteSource {
  public:
    explicit ItemByteSource(source::ItemBytes bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::unique_ptr<mapi::ByteReader> open() const override;

  private:
    source::ItemBytes bytes_;
};

}  // namespace tolvane::mailbox
