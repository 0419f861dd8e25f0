#include "source/ItemBytes.h"

#include <algorithm>
#include <optional>

#include "source/NativeFile.h"

namespace tolvane::source {

struct ItemBytes::Storage {
    std::vector<std::uint8_t> memory;
    std::optional<NativeFile> file;
    bool spool = false;
};

ItemBytes ItemBytes::inMemory(std::vector<std::uint8_t> bytes) {
    auto storage = std::make_shared<Storage>();
    storage->memory = std::move(bytes);
    return ItemBytes(std::move(storage));
}

ItemBytes ItemBytes::inFile(NativeFile file, bool spool) {
    auto storage = std::make_shared<Storage>();
    storage->file.emplace(std::move(file));
    storage->spool = spool;
    return ItemBytes(std::move(storage));
}

std::uint64_t ItemBytes::size() const {
    return storage_->file ? storage_->file->size() : storage_->memory.size();
}

const std::vector<std::uint8_t>* ItemBytes::memory() const {
    return storage_->file ? nullptr : &storage_->memory;
}

bool ItemBytes::spooled() const {
    return storage_->spool;
}

std::size_t ItemBytes::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (storage_->file)
        return storage_->file->readAt(offset, out);
    const auto& bytes = storage_->memory;
    if (offset >= bytes.size())
        return 0;
    const std::size_t n = std::min<std::size_t>(out.size(), bytes.size() - offset);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
    return n;
}

std::vector<std::uint8_t> ItemBytes::readAll() const {
    if (!storage_->file)
        return storage_->memory;
    std::vector<std::uint8_t> all(static_cast<std::size_t>(size()));
    all.resize(readAt(0, all));
    return all;
}

int ItemBytes::openDescriptor() const {
    return storage_->file ? storage_->file->openDescriptor() : -1;
}

}  // namespace tolvane::source
