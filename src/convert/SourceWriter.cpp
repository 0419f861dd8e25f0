#include "convert/SourceWriter.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "contact/ContactImport.h"
#include "convert/StepFailure.h"
#include "mailbox/FolderRoute.h"
#include "mailbox/ItemByteSource.h"
#include "mailbox/ZimbraState.h"
#include "mapi/Tags.h"
#include "mime/EmlImport.h"
#include "platform/FolderNames.h"
#include "platform/Utf8Path.h"
#include "source/NameText.h"
#include "source/SourceFormat.h"
#include "source/SourceReader.h"
#include "source/ZimbraMetadata.h"
#include "store/Folder.h"
#include "store/MailItem.h"

namespace tolvane::convert {

namespace {

constexpr int kMailItemType = 0;

FileProblem problemLine(const source::Problem& problem) {
    return {problem.entry.empty() ? problem.source : problem.source + ": " + problem.entry,
            problem.reason};
}

// The contact importer names the item at the front of each problem; a report line names it
// apart from the reason.
FileProblem contactProblem(const std::string& name, const std::string& problem) {
    const std::string prefix = name + ": ";
    if (problem.starts_with(prefix))
        return {name, problem.substr(prefix.size())};
    if (problem.starts_with(name + ", "))  // "NAME, line 7: ..."
        return {name, problem.substr(name.size() + 2)};
    return {name, problem};
}

// A group's member "C" refers to a contact by "257" or "<account id>:257".
std::optional<int> contactIdOf(std::string_view reference) {
    if (const auto colon = reference.rfind(':'); colon != std::string_view::npos)
        reference.remove_prefix(colon + 1);
    int id = 0;
    const auto [end, error] =
        std::from_chars(reference.data(), reference.data() + reference.size(), id);
    if (error != std::errc() || end != reference.data() + reference.size())
        return std::nullopt;
    return id;
}

std::string textOf(const mapi::Message& message, mapi::PropTag tag) {
    const auto* value = message.props.get(tag);
    return value && std::holds_alternative<std::string>(value->payload()) ? value->asString()
                                                                          : std::string();
}

}  // namespace

// What one pass over a source keeps of its contacts: a group's members may be contacts read
// after it, so groups are stored once every contact of the source has been read.
struct SourceWriter::ContactPass {
    struct Group {
        contact::ZimbraContact contact;
        std::vector<std::uint8_t> blob;
        mailbox::FolderRoute route;
    };
    std::map<int, contact::GroupMember> members;  // by Zimbra item id
    std::vector<Group> groups;
};

namespace {

bool hasMetaBeside(const std::filesystem::path& messageFile) {
    std::filesystem::path meta = messageFile;
    meta += ".meta";
    std::error_code ignored;
    return std::filesystem::exists(meta, ignored);
}

}  // namespace

// A folder met for the first time has its files looked up one by one.
bool SourceWriter::takes(std::string_view utf8Path) {
    return Routes().takes(utf8Path);
}

namespace {

// A folder is listed once this many of its files came in a row: fewer are looked up alone.
constexpr std::size_t kListFolderAfter = 8;

// Whether any name in `folder` ends in ".meta", in any case (a look-up would find it so on
// Windows). True when the folder cannot be listed: then each file is looked up.
bool mayHoldMetaFiles(const std::string& folder) {
    return anyNameInFolder(
               folder, [](std::string_view name) { return source::endsWithNoCase(name, ".meta"); })
        .value_or(true);
}

// A path's folder as the system reads it, with its last separator; empty when it has none.
std::string_view folderOf(std::string_view path) {
#ifdef _WIN32
    const auto last = path.find_last_of("\\/");
#else
    const auto last = path.rfind('/');
#endif
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
}

}  // namespace

bool SourceWriter::Routes::takes(std::string_view path) {
    const auto format = source::sourceFormatOf(path);
    if (format != source::SourceFormat::MessageFile) {
        return format.has_value();
    }
    // The text, not a std::filesystem::path: splitting a million paths into their parts
    // cost more than all else the routing does.
    const std::string_view folder = folderOf(path);
    if (folder != folder_) {
        folder_.assign(folder);
        filesInFolder_ = 0;
        metaFiles_ = MetaFiles::Unknown;
    }
    if (++filesInFolder_ == kListFolderAfter) {
        metaFiles_ = mayHoldMetaFiles(folder_) ? MetaFiles::Some : MetaFiles::None;
    }
    return metaFiles_ != MetaFiles::None && hasMetaBeside(PathFromUtf8(path));
}

void SourceWriter::write(const std::filesystem::path& path, SourceReport& report,
                         const std::function<void()>& afterItem) {
    const auto reader = source::openSource(path, options_);
    afterItem_ = afterItem;
    const auto takeProblems = [&] {
        for (const auto& problem : reader->takeProblems())
            (problem.itemLost ? report.failures : report.warnings).push_back(problemLine(problem));
    };
    ContactPass contacts;
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
                if (item->meta)
                    storeContact(*item, contacts, report);
                else
                    storeVCards(*item, report);
                break;
            case source::ItemKind::Appointment:
            case source::ItemKind::Task:
                storeCalendar(*item, report);
                break;
            case source::ItemKind::Document:
                ++report.notConverted[static_cast<std::size_t>(item->kind)];
                break;
            case source::ItemKind::Tag:
            case source::ItemKind::Other:
                break;
        }
    }
    takeProblems();
    storeGroups(contacts, report);
}

// A contact of an archive: its fields are in the .meta's metadata, a photo or file in the
// entry after it.
void SourceWriter::storeContact(const source::Item& item, ContactPass& pass, SourceReport& report) {
    const std::string name = item.reportName();
    contact::ZimbraContact contact;
    std::vector<std::uint8_t> blob;
    try {
        for (auto& [field, value] : source::contactFieldsOf(source::metadataOf(*item.meta)))
            contact.fields.emplace(std::move(field), std::move(value));
        if (item.bytes)
            blob = item.bytes->readAll();
    } catch (const std::exception& e) {
        report.failures.push_back({name, std::string("the contact cannot be read: ") + e.what()});
        return;
    }
    contact.tags = item.meta->tagNames;
    contact.source = name;
    const auto route = mailbox::routeOfItem(item, mailbox::FolderContents::Contacts);
    if (const auto type = contact.fields.find("type");
        type != contact.fields.end() && type->second == "group") {
        pass.groups.push_back({std::move(contact), std::move(blob), route});
        return;
    }
    contact.blob = blob;
    auto imported = contact::importZimbraContact(contact);
    const auto email = contact.fields.find("email");
    pass.members[item.meta->id] = {textOf(imported.message, mapi::tag::kDisplayName),
                                   email == contact.fields.end() ? "" : email->second,
                                   {}};
    for (const auto& problem : imported.problems)
        report.warnings.push_back(contactProblem(name, problem));
    storeOther(route, std::move(imported.message), source::ItemKind::Contact, name, report);
}

void SourceWriter::storeGroups(ContactPass& pass, SourceReport& report) {
    const contact::MemberLookup lookup =
        [&](std::string_view reference) -> std::optional<contact::GroupMember> {
        const auto id = contactIdOf(reference);
        const auto found = id ? pass.members.find(*id) : pass.members.end();
        if (found == pass.members.end())
            return std::nullopt;
        return found->second;
    };
    for (auto& group : pass.groups) {
        group.contact.blob = group.blob;
        auto imported = contact::importZimbraContact(group.contact, lookup);
        for (const auto& problem : imported.problems)
            report.warnings.push_back(contactProblem(group.contact.source, problem));
        storeOther(group.route, std::move(imported.message), source::ItemKind::Contact,
                   group.contact.source, report);
    }
    pass.groups.clear();
}

std::optional<std::vector<std::uint8_t>> SourceWriter::bytesOf(const source::Item& item,
                                                               SourceReport& report) {
    try {
        return item.bytes ? item.bytes->readAll() : std::vector<std::uint8_t>();
    } catch (const std::exception& e) {
        report.failures.push_back({item.reportName(), e.what()});
        return std::nullopt;
    }
}

// A .vcf file or a zip export's .vcf entry: each card a contact.
void SourceWriter::storeVCards(const source::Item& item, SourceReport& report) {
    const std::string name = item.reportName();
    const auto read = bytesOf(item, report);
    if (!read)
        return;
    const std::vector<std::uint8_t>& bytes = *read;
    auto cards = contact::importVCards(bytes, name);
    // A file without a single card lost what it held: its problems say what.
    auto& fileLines = cards.contacts.empty() ? report.failures : report.warnings;
    for (const auto& problem : cards.problems)
        fileLines.push_back(contactProblem(name, problem));
    if (cards.contacts.empty() && cards.problems.empty())
        report.failures.push_back({name, "there is no vCard in it"});
    const auto route = mailbox::routeOfItem(item, mailbox::FolderContents::Contacts);
    for (auto& card : cards.contacts) {
        for (const auto& problem : card.problems)
            report.warnings.push_back(contactProblem(name, problem));
        storeOther(route, std::move(card.message), source::ItemKind::Contact, name, report);
    }
}

void SourceWriter::storeOther(const mailbox::FolderRoute& route, mapi::Message message,
                              source::ItemKind kind, const std::string& name,
                              SourceReport& report) {
    if (const auto failure = failureOf([&] {
            const auto folder = folders_.folderOf(route);
            auto stored = folder->Items().Add(kMailItemType);
            stored->SetMessage(std::move(message));
            stored->Save();
            stored->Close();
        })) {
        report.failures.push_back({name, *failure});
        return;
    }
    report.otherItemsAt.push_back(report.stored + report.otherItemsAt.size());
    ++report.converted[static_cast<std::size_t>(kind)];
    if (afterItem_)
        afterItem_();
}

void SourceWriter::storeMessage(const source::Item& item, SourceReport& report) {
    const std::string name = item.reportName();
    if (!item.bytes) {
        report.failures.push_back({name, "the message has no bytes in the export"});
        return;
    }
    const auto failure = failureOf([&] {
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
    });
    if (failure)
        report.failures.push_back({name, *failure});
}

// A mail folder of the mailbox, made even when no message goes to it.
void SourceWriter::makeFolder(const source::Item& item, SourceReport& report) {
    const auto route = mailbox::routeOfFolder(item);
    if (!route)
        return;
    if (const auto failure = failureOf([&] { folders_.folderOf(*route); }))
        report.failures.push_back({item.reportName(), "the folder could not be made: " + *failure});
}

}  // namespace tolvane::convert
