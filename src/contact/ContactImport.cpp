#include "contact/ContactImport.h"

#include "contact/ContactMapper.h"
#include "contact/VCardFields.h"
#include "contact/VCardReader.h"
#include "contact/ZimbraBlob.h"

namespace tolvane::contact {
namespace {

std::vector<std::string> located(std::string_view source, const std::vector<std::string>& what) {
    std::vector<std::string> out;
    for (const auto& w : what) {
        out.push_back(std::string(source) + ": " + w);
    }
    return out;
}

}  // namespace

ImportedContact importZimbraContact(const ZimbraContact& contact, const MemberLookup& lookup) {
    ContactRecord record;
    for (const auto& [name, value] : contact.fields) {
        record.fields.emplace_back(name, value);
    }
    record.categories = contact.tags;
    std::vector<std::string> issues;
    if (!contact.blob.empty()) {
        record.files = filesOfZimbraBlob(contact.blob, issues);
    }
    ImportedContact out;
    out.message = contactMessage(record, lookup, issues);
    out.problems = located(contact.source, issues);
    return out;
}

VCardImport importVCards(std::span<const std::uint8_t> bytes, std::string_view source) {
    const VCardFile file =
        readVCards(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    VCardImport out;
    std::size_t issue = 0;
    const auto where = [&](int line) {
        return std::string(source) + (line > 0 ? ", line " + std::to_string(line) : "") + ": ";
    };
    for (const VCard& card : file.cards) {
        ImportedContact c;
        // The file's issues up to this card's end belong to it, or to the file between cards.
        const int end = card.properties.empty() ? card.line : card.properties.back().line;
        for (; issue < file.issues.size() && file.issues[issue].line <= end; ++issue) {
            const auto& i = file.issues[issue];
            (i.line >= card.line ? c.problems : out.problems).push_back(where(i.line) + i.what);
        }
        std::vector<std::string> issues;
        c.message = contactMessage(fieldsOfVCard(card), {}, issues);
        for (const auto& i : issues) {
            c.problems.push_back(where(card.line) + i);
        }
        out.contacts.push_back(std::move(c));
    }
    for (; issue < file.issues.size(); ++issue) {
        const auto& i = file.issues[issue];
        auto& to = out.contacts.empty() ? out.problems : out.contacts.back().problems;
        to.push_back(where(i.line) + i.what);
    }
    return out;
}

}  // namespace tolvane::contact
