#include "source/SourceReader.h"

#include "platform/Utf8Path.h"
#include "source/Sources.h"

namespace tolvane::source {

namespace {

// A file that is none of the formats: one problem, no items.
class UnknownSource final : public SourceReader {
  public:
    explicit UnknownSource(const std::filesystem::path& path) {
        report({ProblemKind::Unreadable, Utf8FromPath(path), "",
                "it is not a message (.eml), contact (.vcf), calendar (.ics) or Zimbra export "
                "archive (.tgz, .tar, .zip)",
                false});
    }
    std::optional<Item> next() override { return std::nullopt; }
};

constexpr std::size_t kProblemsKept = 100;

}  // namespace

std::unique_ptr<SourceReader> openSource(const std::filesystem::path& path,
                                         const ReadOptions& options) {
    const auto format = sourceFormatOf(Utf8FromPath(path));
    if (!format)
        return std::make_unique<UnknownSource>(path);
    if (*format == SourceFormat::Archive)
        return openArchive(path, options);
    return openLooseFile(path, *format, options);
}

SourceSurvey surveySource(const std::filesystem::path& path, const ReadLimits& limits) {
    ReadOptions options;
    options.limits = limits;
    options.keepBytes = false;
    const auto reader = openSource(path, options);
    SourceSurvey survey;
    const auto collect = [&] {
        for (Problem& problem : reader->takeProblems()) {
            ++survey.problemCount;
            if (survey.firstProblems.size() < kProblemsKept)
                survey.firstProblems.push_back(std::move(problem));
        }
    };
    while (const auto item = reader->next()) {
        ++survey.counts[static_cast<std::size_t>(item->kind)];
        collect();
    }
    collect();
    return survey;
}

}  // namespace tolvane::source
