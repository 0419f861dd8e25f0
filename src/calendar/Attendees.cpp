#include "calendar/Attendees.h"

#include <strings.h>

#include <string>
#include <vector>

#include "mapi/Tags.h"

namespace tolvane::calendar {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;

constexpr std::int32_t kTo = 1;
constexpr std::int32_t kCc = 2;
constexpr std::int32_t kBcc = 3;              // resources (MS-OXOCAL 2.2.4.10)
constexpr std::int32_t kMailUser = 6;         // PidTagObjectType MAPI_MAILUSER
constexpr std::int32_t kDisplayMailUser = 0;  // PidTagDisplayType DT_MAILUSER
constexpr std::int32_t kRecipSendable = 0x1;
constexpr std::int32_t kRecipOrganizer = 0x2;
// PidTagRecipientTrackStatus (MS-OXOCAL 2.2.4.10.2).
constexpr std::int32_t kRespOrganized = 1;
constexpr std::int32_t kRespTentative = 2;
constexpr std::int32_t kRespAccepted = 3;
constexpr std::int32_t kRespDeclined = 4;
constexpr std::int32_t kRespNotResponded = 5;

struct Person {
    std::string name;
    std::string address;
};

Person personOf(icalproperty* p, const char* value) {
    Person person;
    std::string v = value ? value : "";
    if (v.size() >= 7 && strncasecmp(v.c_str(), "mailto:", 7) == 0) {
        v.erase(0, 7);
    }
    person.address = v;
    if (icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER)) {
        person.name = icalparameter_get_cn(cn) ? icalparameter_get_cn(cn) : "";
    }
    if (person.name.empty()) {
        person.name = person.address;
    }
    return person;
}

mapi::Recipient recipient(const Person& p, std::int32_t type, std::int32_t flags,
                          std::optional<std::int32_t> track) {
    mapi::Recipient r;
    r.props.set(tag::kRecipientType, PropValue::int32(type));
    r.props.set(tag::kDisplayName, PropValue::unicode(p.name));
    r.props.set(tag::kTransmittableDisplayName, PropValue::unicode(p.name));
    if (!p.address.empty()) {
        r.props.set(tag::kAddressType, PropValue::unicode("SMTP"));
        r.props.set(tag::kEmailAddress, PropValue::unicode(p.address));
        r.props.set(tag::kSmtpAddress, PropValue::unicode(p.address));
    }
    r.props.set(tag::kRecipientFlags, PropValue::int32(flags));
    r.props.set(tag::kObjectType, PropValue::int32(kMailUser));
    r.props.set(tag::kDisplayType, PropValue::int32(kDisplayMailUser));
    if (track) {
        r.props.set(tag::kRecipientTrackStatus, PropValue::int32(*track));
    }
    return r;
}

std::int32_t trackOf(icalproperty* p) {
    icalparameter* ps = icalproperty_get_first_parameter(p, ICAL_PARTSTAT_PARAMETER);
    switch (ps ? icalparameter_get_partstat(ps) : ICAL_PARTSTAT_NEEDSACTION) {
        case ICAL_PARTSTAT_ACCEPTED:
            return kRespAccepted;
        case ICAL_PARTSTAT_DECLINED:
            return kRespDeclined;
        case ICAL_PARTSTAT_TENTATIVE:
            return kRespTentative;
        default:
            return kRespNotResponded;
    }
}

std::int32_t typeOf(icalproperty* p) {
    if (icalparameter* cu = icalproperty_get_first_parameter(p, ICAL_CUTYPE_PARAMETER)) {
        const icalparameter_cutype t = icalparameter_get_cutype(cu);
        if (t == ICAL_CUTYPE_RESOURCE || t == ICAL_CUTYPE_ROOM) {
            return kBcc;
        }
    }
    if (icalparameter* role = icalproperty_get_first_parameter(p, ICAL_ROLE_PARAMETER)) {
        const icalparameter_role r = icalparameter_get_role(role);
        if (r == ICAL_ROLE_OPTPARTICIPANT || r == ICAL_ROLE_NONPARTICIPANT) {
            return kCc;
        }
    }
    return kTo;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        out += (out.empty() ? "" : "; ") + n;
    }
    return out;
}

}  // namespace

void setAttendees(icalcomponent* c, mapi::Message& m) {
    std::string organizerAddress;
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ORGANIZER_PROPERTY)) {
        const Person o = personOf(p, icalproperty_get_organizer(p));
        organizerAddress = o.address;
        m.recipients.push_back(recipient(o, kTo, kRecipSendable | kRecipOrganizer, kRespOrganized));
        m.props.set(tag::kSentRepresentingName, PropValue::unicode(o.name));
        m.props.set(tag::kSenderName, PropValue::unicode(o.name));
        if (!o.address.empty()) {
            m.props.set(tag::kSentRepresentingAddressType, PropValue::unicode("SMTP"));
            m.props.set(tag::kSentRepresentingEmailAddress, PropValue::unicode(o.address));
            m.props.set(tag::kSenderAddressType, PropValue::unicode("SMTP"));
            m.props.set(tag::kSenderEmailAddress, PropValue::unicode(o.address));
        }
    }
    std::vector<std::string> to;
    std::vector<std::string> cc;
    std::vector<std::string> all;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ATTENDEE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_ATTENDEE_PROPERTY)) {
        const Person a = personOf(p, icalproperty_get_attendee(p));
        if (!organizerAddress.empty() &&
            strcasecmp(a.address.c_str(), organizerAddress.c_str()) == 0) {
            continue;  // the organizer is already the first row
        }
        const std::int32_t type = typeOf(p);
        m.recipients.push_back(recipient(a, type, kRecipSendable, trackOf(p)));
        (type == kTo ? to : cc).push_back(a.name);
        all.push_back(a.name);
    }
    if (all.empty()) {
        return;
    }
    m.props.set(tag::kDisplayTo, PropValue::unicode(joined(to)));
    m.props.set(tag::kDisplayCc, PropValue::unicode(joined(cc)));
    m.props.setNamed(named::kToAttendeesString, PropValue::unicode(joined(to)));
    m.props.setNamed(named::kCcAttendeesString, PropValue::unicode(joined(cc)));
    m.props.setNamed(named::kAllAttendeesString, PropValue::unicode(joined(all)));
}

}  // namespace tolvane::calendar
