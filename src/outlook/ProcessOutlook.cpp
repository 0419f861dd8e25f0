#include "outlook/Outlook.h"
#include "store/Profile.h"

namespace tolvane::outlook {

const std::shared_ptr<OutlookState>& Application::processState() {
    static const auto state =
        std::make_shared<OutlookState>(OutlookState{store::Profile::process(), nullptr});
    return state;
}

Application::Application() : state_(processState()) {}

}  // namespace tolvane::outlook
