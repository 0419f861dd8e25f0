// libFuzzer target: the MIME import over mutated messages. Every input must import or be
// rejected with AppError; nothing may crash, hang, leak or read out of bounds.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "ModelInvariants.h"  // tests/mime
#include "mapi/Message.h"
#include "mime/EmlImport.h"
#include "platform/AppError.h"

namespace {

// Touches every value the way a writer would, streams included.
void consume(const tolvane::mapi::Message& m, std::uint64_t& sink) {
    const auto props = [&](const tolvane::mapi::PropertyList& p) {
        for (const auto& [id, v] : p.tagged()) {
            if (v.type() == tolvane::mapi::PropType::Binary)
                sink += v.binaryBytes().size();
            if (v.type() == tolvane::mapi::PropType::Unicode)
                sink += v.asString().size();
        }
        sink += p.named().size();
    };
    props(m.props);
    for (const auto& r : m.recipients)
        props(r.props);
    for (const auto& a : m.attachments) {
        props(a.props);
        if (a.embedded)
            consume(*a.embedded, sink);
    }
}

const std::filesystem::path& inputPath() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("mime-fuzz-" + std::to_string(getpid()) + ".eml");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& path = inputPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::uint64_t sink = 0;
    try {
        const auto message = tolvane::mime::importEml(path);
        consume(message, sink);
        if (const auto violation = tolvane::mime::test::modelViolation(message);
            !violation.empty()) {
            std::fprintf(stderr, "model invariant broken: %s\n", violation.c_str());
            std::abort();
        }
    } catch (const tolvane::AppError&) {
        // An empty file is reported, not imported.
    }
    std::filesystem::remove(path);
    return sink == 0xFFFFFFFFFFFFFFFFull ? 1 : 0;
}
