#include "calendar/ItemFields.h"

#include <strings.h>

#include "calendar/Ical.h"
#include "mapi/Tags.h"

namespace tolvane::calendar {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;

constexpr std::int32_t kUtf8CodePage = 65001;
constexpr std::int32_t kNativePlain = 1;
constexpr std::int32_t kNativeHtml = 3;

// PidTagImportance from PRIORITY (MS-OXCICAL 2.1.3.1.1.20.26).
std::int32_t importanceOf(int priority) {
    if (priority >= 1 && priority <= 4) {
        return 2;
    }
    if (priority >= 6 && priority <= 9) {
        return 0;
    }
    return 1;
}

std::string htmlOf(icalcomponent* c) {
    icalproperty* p = xProperty(c, "X-ALT-DESC");
    if (!p) {
        return {};
    }
    for (icalparameter* a = icalproperty_get_first_parameter(p, ICAL_FMTTYPE_PARAMETER); a;) {
        const char* type = icalparameter_get_fmttype(a);
        if (type && strcasecmp(type, "text/html") != 0) {
            return {};
        }
        break;
    }
    const char* raw = icalproperty_get_x(p);
    return raw ? unescapeText(raw) : std::string();
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '\n':
                out += "<br>";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string unescapeText(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            out += (n == 'n' || n == 'N') ? '\n' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

void setCommonFields(icalcomponent* c, mapi::Message& m) {
    m.props.set(tag::kSubject, PropValue::unicode(textOf(c, ICAL_SUMMARY_PROPERTY).value_or("")));
    const auto description = textOf(c, ICAL_DESCRIPTION_PROPERTY);
    if (description) {
        m.props.set(tag::kBody, PropValue::unicode(*description));
    }
    const std::string html = htmlOf(c);
    if (!html.empty()) {
        m.props.set(tag::kHtml, PropValue::binary(mapi::Bytes(html.begin(), html.end())));
        m.props.set(tag::kInternetCodepage, PropValue::int32(kUtf8CodePage));
    }
    if (description || !html.empty()) {
        m.props.set(tag::kNativeBody, PropValue::int32(html.empty() ? kNativePlain : kNativeHtml));
    }
    if (auto cats = categoriesOf(c); !cats.empty()) {
        m.props.setNamed(named::kKeywords, PropValue::mvUnicode(std::move(cats)));
    }
    int priority = 0;
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY)) {
        priority = icalproperty_get_priority(p);
        m.props.set(tag::kImportance, PropValue::int32(importanceOf(priority)));
    }
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_CLASS_PROPERTY)) {
        const icalproperty_class cls = icalproperty_get_class(p);
        // PidTagSensitivity: 2 private, 3 confidential (MS-OXCICAL 2.1.3.1.1.20.3).
        const std::int32_t sensitivity = cls == ICAL_CLASS_PRIVATE        ? 2
                                         : cls == ICAL_CLASS_CONFIDENTIAL ? 3
                                                                          : 0;
        m.props.set(tag::kSensitivity, PropValue::int32(sensitivity));
        m.props.setNamed(named::kPrivate, PropValue::boolean(sensitivity != 0));
    }
    const auto stamp = [&](icalproperty_kind kind) -> std::optional<mapi::FileTime> {
        icalproperty* p = icalcomponent_get_first_property(c, kind);
        if (!p) {
            return std::nullopt;
        }
        const icaltimetype t = icalvalue_get_datetime(icalproperty_get_value(p));
        if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) {
            return std::nullopt;
        }
        return mapi::FileTime::fromUnixSeconds(
            icaltime_as_timet_with_zone(t, icaltimezone_get_utc_timezone()));
    };
    const auto created = stamp(ICAL_CREATED_PROPERTY);
    const auto modified = stamp(ICAL_LASTMODIFIED_PROPERTY);
    const auto dtstamp = stamp(ICAL_DTSTAMP_PROPERTY);
    if (const auto t = created ? created : dtstamp) {
        m.props.set(tag::kCreationTime, PropValue::time(*t));
    }
    if (const auto t = modified ? modified : (created ? created : dtstamp)) {
        m.props.set(tag::kLastModificationTime, PropValue::time(*t));
    }
    m.props.set(tag::kMessageFlags, PropValue::int32(tag::kMsgFlagRead));
}

void appendToNotes(mapi::Message& m, const std::string& text) {
    std::string body;
    if (const PropValue* b = m.props.get(tag::kBody)) {
        body = b->asString() + "\n\n";
    }
    m.props.set(tag::kBody, PropValue::unicode(body + text));
    if (const PropValue* h = m.props.get(tag::kHtml)) {
        std::string html(h->asBytes().begin(), h->asBytes().end());
        const std::string para = "<p>" + escapeHtml(text) + "</p>";
        const std::size_t close = html.rfind("</body>");
        html.insert(close == std::string::npos ? html.size() : close, para);
        m.props.set(tag::kHtml, PropValue::binary(mapi::Bytes(html.begin(), html.end())));
    } else {
        m.props.set(tag::kNativeBody, PropValue::int32(kNativePlain));
    }
}

std::optional<Reminder> reminderOf(icalcomponent* c, std::int64_t startSeconds,
                                   std::int64_t endSeconds, Report& report) {
    for (icalcomponent* a = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
        icalproperty* tp = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!tp) {
            continue;
        }
        const icaltriggertype trigger = icalproperty_get_trigger(tp);
        Reminder r;
        if (!icaltime_is_null_time(trigger.time)) {
            const std::int64_t at = static_cast<std::int64_t>(
                icaltime_as_timet_with_zone(trigger.time, icaltimezone_get_utc_timezone()));
            r.at = mapi::FileTime::fromUnixSeconds(at);
            r.minutesBefore = static_cast<std::int32_t>((startSeconds - at) / 60);
        } else {
            const int offset = icaldurationtype_as_int(trigger.duration);
            bool fromEnd = false;
            if (icalparameter* rel = icalproperty_get_first_parameter(tp, ICAL_RELATED_PARAMETER)) {
                fromEnd = icalparameter_get_related(rel) == ICAL_RELATED_END;
            }
            const std::int64_t at = (fromEnd ? endSeconds : startSeconds) + offset;
            r.minutesBefore = static_cast<std::int32_t>((startSeconds - at) / 60);
        }
        if (r.minutesBefore < 0 && !r.at) {
            report.add("a reminder " + std::to_string(-r.minutesBefore) +
                       " minutes after the start is set at the start (Outlook reminds before)");
            r.minutesBefore = 0;
        }
        return r;
    }
    return std::nullopt;
}

}  // namespace tolvane::calendar
