#include "mailbox/ItemByteSource.h"

namespace tolvane::mailbox {

namespace {

class ItemBytesReader final : public mapi::ByteReader {
  public:
    explicit ItemBytesReader(const source::ItemBytes& bytes) : bytes_(bytes) {}
    std::size_t read(std::span<std::uint8_t> out) override {
        const std::size_t n = bytes_.readAt(offset_, out);
        offset_ += n;
        return n;
    }

  private:
    const source::ItemBytes& bytes_;
    std::uint64_t offset_ = 0;
};

}  // namespace

std::unique_ptr<mapi::ByteReader> ItemByteSource::open() const {
    return std::make_unique<ItemBytesReader>(bytes_);
}

}  // namespace tolvane::mailbox
