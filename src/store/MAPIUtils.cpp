#include "store/MAPIUtils.h"

#include <limits>

#include "mapi/PropTag.h"
#include "mapi/PropValue.h"
#include "platform/AppError.h"
#include "store/MailItem.h"
#include "store/StoreErrc.h"

namespace tolvane::store {
namespace {

template <typename Narrow>
Narrow narrowed(std::int64_t value) {
    if (value < std::numeric_limits<Narrow>::min() || value > std::numeric_limits<Narrow>::max()) {
        throw AppError(tolvane::errc::kOverflow, "Overflow");
    }
    return static_cast<Narrow>(value);
}

}  // namespace

void MAPIUtils::HrSetOneProp(MapiObject& object, std::uint32_t tag, std::int64_t value, bool save) {
    const mapi::PropType type = mapi::PropTag::fromValue(tag).type;
    switch (type) {
        case mapi::PropType::Int32:
            object.SetProp(tag, mapi::PropValue::int32(narrowed<std::int32_t>(value)));
            break;
        case mapi::PropType::Int16:
            object.SetProp(tag, mapi::PropValue::int16(narrowed<std::int16_t>(value)));
            break;
        case mapi::PropType::Int64:
            object.SetProp(tag, mapi::PropValue::int64(value));
            break;
        case mapi::PropType::Boolean:
            object.SetProp(tag, mapi::PropValue::boolean(value != 0));
            break;
        default:
            throw AppError(errc::kNoSupport, "Property type of tag " + std::to_string(tag) +
                                                 " cannot be set from an integer");
    }
    if (save) {
        object.SaveChanges();
    }
}

}  // namespace tolvane::store
