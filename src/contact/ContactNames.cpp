#include "contact/ContactNames.h"

#include <initializer_list>

#include "contact/Text.h"

namespace tolvane::contact {
namespace {

// MS-OXOCNTC 2.2.1.1.12 forms.
constexpr std::int32_t kDisplayNameForm = 0x3001;
constexpr std::int32_t kCompanyForm = 0x3A16;
constexpr std::int32_t kLastFirstForm = 0x8017;             // Surname, Given Middle
constexpr std::int32_t kCompanyThenLastFirstForm = 0x8018;  // Company\r\nSurname, Given Middle
constexpr std::int32_t kLastFirstThenCompanyForm = 0x8019;  // Surname, Given Middle\r\nCompany

std::string joined(std::initializer_list<std::string> parts, std::string_view sep) {
    std::string out;
    for (const auto& p : parts) {
        if (!trim(p).empty()) {
            out += (out.empty() ? "" : std::string(sep)) + std::string(trim(p));
        }
    }
    return out;
}

}  // namespace

ContactNames contactNames(const ContactRecord& r) {
    const std::string first = r.value("firstName"), last = r.value("lastName"),
                      middle = r.value("middleName"), company = r.value("company");
    ContactNames n;
    n.displayName = std::string(trim(r.value("fullName")));
    if (n.displayName.empty()) {
        n.displayName =
            joined({r.value("namePrefix"), first, middle, last, r.value("nameSuffix")}, " ");
    }
    for (const char* fallback : {"nickname", "company", "email", "workEmail1"}) {
        if (n.displayName.empty()) {
            n.displayName = std::string(trim(r.value(fallback)));
        }
    }

    const std::string lastFirst = joined({last, joined({first, middle}, " ")}, ", ");
    const std::string firstLast = joined({first, middle, last}, " ");
    const std::string fileAs = r.value("fileAs");
    int form = 1;  // Zimbra's default, "Last, First"
    if (!trim(fileAs).empty() && fileAs[0] >= '1' && fileAs[0] <= '8' &&
        (fileAs.size() == 1 || fileAs[1] == ':')) {
        form = fileAs[0] - '0';
    }
    const bool both = !lastFirst.empty() && !trim(company).empty();
    switch (form) {
        case 2:
            n.fileUnder = firstLast;
            break;
        case 3:
            n.fileUnder = std::string(trim(company));
            break;
        case 4:
            n.fileUnder = joined({lastFirst, company}, "\r\n");
            n.fileUnderId = both ? kLastFirstThenCompanyForm : std::optional<std::int32_t>{};
            break;
        case 5:
            n.fileUnder = both ? firstLast + " (" + std::string(trim(company)) + ")"
                               : joined({firstLast, company}, "");
            break;
        case 6:
            n.fileUnder = joined({company, lastFirst}, "\r\n");
            n.fileUnderId = both ? kCompanyThenLastFirstForm : std::optional<std::int32_t>{};
            break;
        case 7:
            n.fileUnder = both ? std::string(trim(company)) + " (" + firstLast + ")"
                               : joined({company, firstLast}, "");
            break;
        case 8:
            n.fileUnder =
                std::string(trim(std::string_view(fileAs).substr(fileAs.size() > 1 ? 2 : 1)));
            break;
        default:
            n.fileUnder = lastFirst;
            break;
    }
    if (n.fileUnder.empty()) {
        n.fileUnder = n.displayName;
    }
    // A form that fell back to fewer parts still has Outlook's id for what it became.
    if (!n.fileUnderId && !n.fileUnder.empty()) {
        if (n.fileUnder == lastFirst) {
            n.fileUnderId = kLastFirstForm;
        } else if (n.fileUnder == trim(company)) {
            n.fileUnderId = kCompanyForm;
        } else if (n.fileUnder == n.displayName) {
            n.fileUnderId = kDisplayNameForm;
        }
    }
    return n;
}

}  // namespace tolvane::contact
