#include "queue/ExplorerView.h"

#include <cstdint>
#include <exception>
#include <optional>

namespace tolvane::queue {
namespace {

std::optional<std::uint32_t> tryRead(ViewSettingsStore& store, const char* name) noexcept {
    try {
        return store.read(name);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void tryWrite(ViewSettingsStore& store, const char* name, std::uint32_t value) noexcept {
    try {
        store.write(name, value);
    } catch (const std::exception&) {
        // A refused write is skipped and the next one runs.
    }
}

}  // namespace

void ToggleExplorerView(ViewSettingsStore& store) noexcept {
    if (tryRead(store, kHiddenValue) == 2u) {
        tryWrite(store, kHiddenValue, 1);
        tryWrite(store, kShowSuperHiddenValue, 1);
        tryWrite(store, kHideFileExtValue, 0);
    } else {
        tryWrite(store, kHiddenValue, 2);
        tryWrite(store, kShowSuperHiddenValue, 0);
        tryWrite(store, kHideFileExtValue, 1);
    }
}

bool HiddenFilesShown(ViewSettingsStore& store) noexcept {
    return tryRead(store, kHiddenValue) == 1u;
}

}  // namespace tolvane::queue
