#include "store/WriteFailure.h"

#include "store/StoreErrc.h"

namespace tolvane::store {
namespace {

long numberFor(WriteFailure::Cause cause) {
    return cause == WriteFailure::Cause::Other ? errc::kDeviceIo : errc::kDiskFull;
}

}  // namespace

WriteFailure::WriteFailure(Cause cause, std::string description)
    : AppError(numberFor(cause), std::move(description)), cause_(cause) {}

WriteFailure::WriteFailure(const pst::PstWriteError& error)
    : WriteFailure(error.cause(), error.what()) {}

void rethrowWriterError(const pst::PstError& error) {
    if (const auto* writeError = dynamic_cast<const pst::PstWriteError*>(&error)) {
        throw WriteFailure(*writeError);
    }
    throw AppError(errc::kFileAccess, error.what());
}

}  // namespace tolvane::store
