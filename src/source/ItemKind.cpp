#include "source/ItemKind.h"

#include "source/NameText.h"

namespace tolvane::source {

ItemKind kindOfZimbraType(int typeByte) {
    switch (static_cast<ZimbraType>(typeByte)) {
        case ZimbraType::Message:
            return ItemKind::Message;
        case ZimbraType::Contact:
            return ItemKind::Contact;
        case ZimbraType::Appointment:
            return ItemKind::Appointment;
        case ZimbraType::Task:
            return ItemKind::Task;
        case ZimbraType::Document:
        case ZimbraType::Wiki:
            return ItemKind::Document;
        case ZimbraType::Folder:
            return ItemKind::Folder;
        case ZimbraType::Tag:
            return ItemKind::Tag;
        default:
            return ItemKind::Other;
    }
}

ItemKind kindOfName(std::string_view name) {
    if (endsWithNoCase(name, ".eml"))
        return ItemKind::Message;
    if (endsWithNoCase(name, ".vcf"))
        return ItemKind::Contact;
    if (endsWithNoCase(name, ".ics") || endsWithNoCase(name, ".appt"))
        return ItemKind::Appointment;
    if (endsWithNoCase(name, ".task"))
        return ItemKind::Task;
    return ItemKind::Other;
}

bool zimbraTypeHasBlob(int typeByte) {
    switch (static_cast<ZimbraType>(typeByte)) {
        case ZimbraType::Message:
        case ZimbraType::Appointment:
        case ZimbraType::Task:
        case ZimbraType::Document:
        case ZimbraType::Wiki:
        case ZimbraType::Chat:
        case ZimbraType::Note:
            return true;
        default:
            return false;
    }
}

std::string_view kindName(ItemKind kind) {
    switch (kind) {
        case ItemKind::Message:
            return "message";
        case ItemKind::Contact:
            return "contact";
        case ItemKind::Appointment:
            return "appointment";
        case ItemKind::Task:
            return "task";
        case ItemKind::Document:
            return "document";
        case ItemKind::Folder:
            return "folder";
        case ItemKind::Tag:
            return "tag";
        case ItemKind::Other:
            break;
    }
    return "other item";
}

}  // namespace tolvane::source
