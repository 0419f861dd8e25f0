#pragma once

#include <stdexcept>
#include <string>

namespace tolvane {

// Error numbers of the classic desktop runtime, where the program's behaviour names them.
namespace errc {
inline constexpr long kOverflow = 6;
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kFileNotFound = 53;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kPathNotFound = 76;
inline constexpr long kDuplicateKey = 457;
inline constexpr long kDialogResultTooLarge = 20476;
}  // namespace errc

// The one error type of the program: a number and a description, raised as an exception.
class AppError : public std::runtime_error {
  public:
    AppError(long number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}

    long number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

    // "number:description", with no space, as handlers show it.
    std::string numberColonDescription() const {
        return std::to_string(number_) + ":" + description_;
    }

  private:
    long number_;
    std::string description_;
};

}  // namespace tolvane
