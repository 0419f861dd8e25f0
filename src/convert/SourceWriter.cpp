#include "convert/SourceWriter.h"

#include <optional>

#include "mailbox/FolderRoute.h"
#include "mailbox/ItemByteSource.h"
#include "mailbox/ZimbraState.h"
#include "mime/EmlImport.h"
#include "source/SourceFormat.h"
#include "source/SourceReader.h"
#include "store/Folder.h"
#include "store/MailItem.h"
#include "store/WriteFailure.h"

namespace tolvane::convert {

namespace {

constexpr int kMailItemType = 0;

FileProblem problemLine(const source::Problem& problem) {
    return {problem.entry.empty() ? problem.source : problem.source + ": " + problem.entry,
            problem.reason};
}

}  // namespace

bool SourceWriter::takes(const std::filesystem::path& path) {
    const auto format = source::sourceFormatOf(path);
    if (format == source::SourceFormat::Archive)
        return true;
    if (format != source::SourceFormat::MessageFile)
        return false;
    std::filesystem::path meta = path;
    meta += ".meta";
    std::error_code ignored;
    return std::filesystem::exists(meta, ignored);
}

void SourceWriter::write(const std::filesystem::path& path, SourceReport& report,
                         const std::function<void()>& afterItem) {
    const auto reader = source::openSource(path, options_);
    const auto takeProblems = [&] {
        for (const auto& problem : reader->takeProblems())
            (problem.itemLost ? report.failures : report.warnings).push_back(problemLine(problem));
    };
    while (auto item = reader->next()) {
        takeProblems();
        switch (item->kind) {
            case source::ItemKind::Message:
                ++report.read;
                storeMessage(*item, report);
                if (afterItem)
                    afterItem();
                break;
            case source::ItemKind::Folder:
                makeFolder(*item, report);
                break;
            case source::ItemKind::Contact:
            case source::ItemKind::Appointment:
            case source::ItemKind::Task:
            case source::ItemKind::Document:
                ++report.notConverted[static_cast<std::size_t>(item->kind)];
                break;
            case source::ItemKind::Tag:
            case source::ItemKind::Other:
                break;
        }
    }
    takeProblems();
}

void SourceWriter::storeMessage(const source::Item& item, SourceReport& report) {
    const std::string name = item.reportName();
    if (!item.bytes) {
        report.failures.push_back({name, "the message has no bytes in the export"});
        return;
    }
    try {
        const std::optional<mailbox::ZimbraState> state =
            item.meta ? std::optional<mailbox::ZimbraState>(std::in_place, item) : std::nullopt;
        const mime::OutsideFacts facts = state ? state->outsideFacts() : mime::OutsideFacts{};
        mapi::Message message =
            mime::importMessage(mailbox::ItemByteSource(*item.bytes), name, facts, importOptions_);
        const bool noMessage = message.verdict == mapi::ImportVerdict::NotAMessage;
        if (state)
            state->applyTo(message);
        else
            mailbox::applyStateWithoutRecord(message);
        const auto route = mailbox::routeOfMessage(item).value_or(mailbox::FolderRoute{});
        const auto folder = folders_.folderOf(route);
        auto stored = folder->Items().Add(kMailItemType);
        stored->SetMessage(std::move(message));
        stored->Save();
        stored->Close();
        ++report.stored;
        if (noMessage)
            report.notMessages.push_back({name, std::string(kNoMessageReason)});
    } catch (const store::WriteFailure&) {
        throw;
    } catch (const std::exception& e) {
        report.failures.push_back({name, e.what()});
    }
}

// A mail folder of the mailbox, made even when no message goes to it.
void SourceWriter::makeFolder(const source::Item& item, SourceReport& report) {
    const auto route = mailbox::routeOfFolder(item);
    if (!route)
        return;
    try {
        folders_.folderOf(*route);
    } catch (const store::WriteFailure&) {
        throw;
    } catch (const std::exception& e) {
        report.failures.push_back(
            {item.reportName(), std::string("the folder could not be made: ") + e.what()});
    }
}

}  // namespace tolvane::convert
