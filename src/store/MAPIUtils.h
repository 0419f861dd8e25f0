#pragma once

#include <cstdint>

namespace tolvane::store {

class MapiObject;

// The property utility object of the store library.
class MAPIUtils {
  public:
    // Sets one integer or boolean property (the type comes from the tag's low half) and,
    // when save is true, saves the object. Other types fail with the no-support error.
    void HrSetOneProp(MapiObject& object, std::uint32_t tag, std::int64_t value, bool save);
};

}  // namespace tolvane::store
