#include "convert/ConversionJob.h"
#include "convert/HelpLink.h"
#include "store/ImportAhead.h"
#include "store/Profile.h"

namespace tolvane::convert {

JobEnvironment processEnvironment() {
    JobEnvironment environment;
    environment.createSession = [] {
        return std::make_unique<store::Session>(store::Profile::process());
    };
    environment.createOutlook = [] { return outlook::Application(); };
    environment.clock = systemLocalTime;
    environment.troubleshootingUrl = troubleshootingUrl();
    environment.readAhead = [](std::vector<std::string> files) {
        store::processImportAhead().expect(std::move(files));
    };
    return environment;
}

}  // namespace tolvane::convert
