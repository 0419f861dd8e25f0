#include "store/WriteFailure.h"

#include "store/StoreErrc.h"

namespace tolvane::store {
namespace {

WriteFailure::Cause causeOf(pst::PstWriteError::Cause cause) {
    switch (cause) {
        case pst::PstWriteError::Cause::DiskFull:
            return WriteFailure::Cause::DiskFull;
        case pst::PstWriteError::Cause::FileTooLarge:
            return WriteFailure::Cause::FileTooLarge;
        case pst::PstWriteError::Cause::Other:
            break;
    }
    return WriteFailure::Cause::Other;
}

long numberFor(WriteFailure::Cause cause) {
    return cause == WriteFailure::Cause::Other ? errc::kDeviceIo : errc::kDiskFull;
}

}  // namespace

WriteFailure::WriteFailure(Cause cause, std::string description)
    : AppError(numberFor(cause), std::move(description)), cause_(cause) {}

WriteFailure::WriteFailure(const pst::PstWriteError& error)
    : WriteFailure(causeOf(error.cause()), error.what()) {}

void rethrowWriterError(const pst::PstError& error) {
    if (const auto* writeError = dynamic_cast<const pst::PstWriteError*>(&error)) {
        throw WriteFailure(*writeError);
    }
    throw AppError(errc::kFileAccess, error.what());
}

}  // namespace tolvane::store
