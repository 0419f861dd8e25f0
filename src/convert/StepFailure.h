#pragma once

#include <exception>
#include <optional>
#include <string>

#include "store/WriteFailure.h"

namespace tolvane::convert {

// Continue-on-error: runs one step and gives the reason it failed, or none. A store file
// that cannot be written is not a step's failure: it ends the run.
template <typename Step>
std::optional<std::string> failureOf(Step&& step) {
    try {
        step();
        return std::nullopt;
    } catch (const store::WriteFailure&) {
        throw;
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
}

}  // namespace tolvane::convert
