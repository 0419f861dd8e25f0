#include "convert/ConversionJob.h"
#include "convert/HelpLink.h"
#include "mime/FallbackCharset.h"
#include "store/ImportAhead.h"
#include "store/Profile.h"

namespace tolvane::convert {

JobEnvironment processEnvironment(mapi::ImportOptions importOptions) {
    JobEnvironment environment;
    environment.createSession = [] {
        return std::make_unique<store::Session>(store::Profile::process());
    };
    environment.createOutlook = [] { return outlook::Application(); };
    environment.clock = systemLocalTime;
    environment.troubleshootingUrl = troubleshootingUrl();
    environment.readAhead = [](std::vector<std::string> files, const mapi::ImportOptions& options) {
        store::processImportAhead().expect(std::move(files), options);
    };
    environment.readAheadMore = [](std::vector<std::string> files) {
        store::processImportAhead().expectMore(std::move(files));
    };
    environment.importOptions = std::move(importOptions);
    environment.decodeLegacyName = mime::decodeUndeclared;
    return environment;
}

}  // namespace tolvane::convert
